// Bitmaps, device contexts and the blits, checked at computed pixels.
#include <pelmora/host.h>

#include "platform/win/DeviceContext.h"
#include "platform/win/Gdi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelmora::win {
namespace {

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kGreen = 0xFF00FF00u;

template <class Action>
std::string logOf(Action&& action) {
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

// Pixels numbered by position, so a copied pixel tells where it came from.
std::vector<uint32_t> numbered(int width, int height) {
    std::vector<uint32_t> pixels(size_t(width) * height);
    for (int i = 0; i < width * height; ++i) pixels[i] = 0xFF000000u | uint32_t(i);
    return pixels;
}

uint32_t pixelOf(HBITMAP bitmap, int x, int y) {
    imaging::ImageView image = getBitmapImage(bitmap);
    return image.row(y)[x];
}

TEST(BitmapTest, CreateGetAndDelete) {
    const std::vector<uint32_t> pixels = numbered(3, 2);
    const int bitmap = PelmoraCreateBitmap(3, 2, pixels.data());
    ASSERT_GT(bitmap, 0);
    int width = 0, height = 0;
    const uint32_t* image = nullptr;
    ASSERT_EQ(PelmoraGetBitmapImage(bitmap, &width, &height, &image), S_OK);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(std::vector<uint32_t>(image, image + 6), pixels);
    EXPECT_NE(image, pixels.data());  // a copy

    EXPECT_NE(DeleteObject(bitmap), 0);
    std::string log = logOf([&] {
        EXPECT_EQ(PelmoraGetBitmapImage(bitmap, &width, &height, &image), E_HANDLE);
        EXPECT_EQ(DeleteObject(bitmap), 0);
    });
    EXPECT_NE(log.find("PelmoraGetBitmapImage: unknown bitmap"), std::string::npos) << log;
}

TEST(BitmapTest, NullPixelsGiveOpaqueBlack) {
    const int bitmap = PelmoraCreateBitmap(2, 2, nullptr);
    ASSERT_GT(bitmap, 0);
    EXPECT_EQ(pixelOf(bitmap, 1, 1), kBlack);
    DeleteObject(bitmap);
}

TEST(BitmapTest, BadArgumentsAreRefused) {
    std::string log = logOf([] {
        EXPECT_EQ(PelmoraCreateBitmap(0, 4, nullptr), 0);
        EXPECT_EQ(PelmoraCreateBitmap(4, kMaxBitmapDimension + 1, nullptr), 0);
        EXPECT_EQ(DeleteObject(0), 0);
        EXPECT_EQ(DeleteObject(0x12345678), 0);
        EXPECT_EQ(DeleteObject(-1), 0);
    });
    EXPECT_NE(log.find("createBitmap: bad size 0 x 4"), std::string::npos) << log;
    EXPECT_NE(log.find("DeleteObject: unknown handle"), std::string::npos) << log;

    const int bitmap = PelmoraCreateBitmap(1, 1, nullptr);
    int width = 0;
    const uint32_t* pixels = nullptr;
    EXPECT_EQ(PelmoraGetBitmapImage(bitmap, &width, nullptr, &pixels), E_POINTER);
    DeleteObject(bitmap);
}

TEST(BitmapTest, GetObjectReportsTheSize) {
    const HBITMAP bitmap = createBitmap(5, 7, nullptr, 5);
    BITMAP record{};
    EXPECT_EQ(getObject(bitmap, 0, nullptr), int(sizeof(BITMAP)));
    ASSERT_EQ(getObject(bitmap, sizeof record, &record), int(sizeof(BITMAP)));
    EXPECT_EQ(record.bmWidth, 5);
    EXPECT_EQ(record.bmHeight, 7);
    EXPECT_EQ(record.bmBitsPixel, 32);
    EXPECT_EQ(record.bmWidthBytes, 20);
    EXPECT_EQ(getObject(bitmap, 4, &record), 0);
    EXPECT_TRUE(deleteObject(bitmap));
    EXPECT_EQ(getObject(bitmap, sizeof record, &record), 0);
}

TEST(DeviceContextTest, PixelContextRoundTrip) {
    const std::vector<uint32_t> pixels = {1, 2, 0, 3, 4, 0};  // 2 x 2, stride 3
    const HDC dc = createPixelDC(2, 2, pixels.data(), 3);
    ASSERT_GT(dc, 0);
    int width = 0, height = 0, stride = 0;
    uint32_t* image = nullptr;
    ASSERT_EQ(PelmoraGetDCImage(dc, &width, &height, &image, &stride), S_OK);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(stride, 2);
    EXPECT_EQ(image[0], 1u);
    EXPECT_EQ(image[stride + 1], 4u);

    image[stride] = kRed;  // the host draws
    uint32_t* back = nullptr;
    ASSERT_TRUE(getDCPixels(dc, &back, &width, &height, &stride));
    EXPECT_EQ(back[stride], kRed);

    EXPECT_TRUE(deleteDC(dc));
    EXPECT_FALSE(deleteDC(dc));
    EXPECT_FALSE(getDCPixels(dc, &back, &width, &height, &stride));
    EXPECT_EQ(PelmoraGetDCImage(dc, &width, &height, &image, &stride), E_HANDLE);
}

TEST(DeviceContextTest, BadArguments) {
    EXPECT_EQ(createPixelDC(0, 2, nullptr, 0), 0);
    EXPECT_EQ(createPixelDC(2, 2, std::vector<uint32_t>(4).data(), 1), 0);
    const HDC dc = createPixelDC(2, 2, nullptr, 0);
    int width = 0, height = 0, stride = 0;
    EXPECT_EQ(PelmoraGetDCImage(dc, &width, &height, nullptr, &stride), E_POINTER);
    const int bitmap = PelmoraCreateBitmap(1, 1, nullptr);
    uint32_t* pixels = nullptr;
    EXPECT_EQ(PelmoraGetDCImage(bitmap, &width, &height, &pixels, &stride), E_HANDLE);
    EXPECT_EQ(DeleteObject(dc), 0);  // contexts go with deleteDC
    EXPECT_TRUE(deleteDC(dc));
    DeleteObject(bitmap);
}

// A memory context with a bitmap selected, cleaned up in order.
class MemoryContextTest : public testing::Test {
protected:
    void SetUp() override {
        source = createBitmap(4, 4, numbered(4, 4).data(), 4);
        target = createCompatibleBitmap(0, 6, 6);
        sourceDC = createCompatibleDC(0);
        targetDC = createCompatibleDC(sourceDC);
        ASSERT_TRUE(source && target && sourceDC && targetDC);
        oldSource = selectObject(sourceDC, source);
        oldTarget = selectObject(targetDC, target);
        ASSERT_NE(oldSource, 0);
        ASSERT_NE(oldTarget, 0);
    }
    void TearDown() override {
        selectObject(sourceDC, oldSource);
        selectObject(targetDC, oldTarget);
        EXPECT_TRUE(deleteDC(sourceDC));
        EXPECT_TRUE(deleteDC(targetDC));
        EXPECT_TRUE(deleteObject(source));
        EXPECT_TRUE(deleteObject(target));
    }

    HBITMAP source = 0, target = 0;
    HDC sourceDC = 0, targetDC = 0;
    HGDIOBJ oldSource = 0, oldTarget = 0;
};

TEST_F(MemoryContextTest, BitBltCopiesARectangle) {
    ASSERT_TRUE(bitBlt(targetDC, 1, 2, 2, 2, sourceDC, 1, 1, SRCCOPY));
    EXPECT_EQ(pixelOf(target, 1, 2), kBlack | 5u);   // source (1, 1)
    EXPECT_EQ(pixelOf(target, 2, 3), kBlack | 10u);  // source (2, 2)
    EXPECT_EQ(pixelOf(target, 0, 2), kBlack);
    EXPECT_EQ(pixelOf(target, 3, 2), kBlack);
}

TEST_F(MemoryContextTest, BitBltClipsAgainstBothBitmaps) {
    ASSERT_TRUE(bitBlt(targetDC, -1, 4, 4, 4, sourceDC, 0, 2, SRCCOPY));
    EXPECT_EQ(pixelOf(target, 0, 4), kBlack | 9u);   // source (1, 2)
    EXPECT_EQ(pixelOf(target, 2, 5), kBlack | 15u);  // source (3, 3)
    EXPECT_EQ(pixelOf(target, 3, 5), kBlack);        // past the source's right edge
}

TEST_F(MemoryContextTest, BitBltWithinOneBitmapReadsTheOriginal) {
    ASSERT_TRUE(bitBlt(sourceDC, 1, 0, 3, 1, sourceDC, 0, 0, SRCCOPY));
    EXPECT_EQ(pixelOf(source, 1, 0), kBlack | 0u);
    EXPECT_EQ(pixelOf(source, 2, 0), kBlack | 1u);
    EXPECT_EQ(pixelOf(source, 3, 0), kBlack | 2u);
}

TEST_F(MemoryContextTest, StretchBltNearestDoublesPixels) {
    ASSERT_TRUE(stretchBlt(targetDC, 0, 0, 4, 4, sourceDC, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(pixelOf(target, 0, 0), kBlack | 0u);
    EXPECT_EQ(pixelOf(target, 1, 1), kBlack | 0u);
    EXPECT_EQ(pixelOf(target, 2, 1), kBlack | 1u);
    EXPECT_EQ(pixelOf(target, 3, 3), kBlack | 5u);
    EXPECT_EQ(pixelOf(target, 4, 0), kBlack);
}

TEST_F(MemoryContextTest, StretchBltNearestHalvesPixels) {
    ASSERT_TRUE(stretchBlt(targetDC, 0, 0, 2, 2, sourceDC, 0, 0, 4, 4, SRCCOPY));
    EXPECT_EQ(pixelOf(target, 0, 0), kBlack | 5u);   // source (1, 1)
    EXPECT_EQ(pixelOf(target, 1, 1), kBlack | 15u);  // source (3, 3)
}

TEST_F(MemoryContextTest, StretchBltHalftoneFilters) {
    const std::vector<uint32_t> pair = {kBlack, kWhite};
    const HBITMAP stripe = createBitmap(2, 1, pair.data(), 2);
    ASSERT_EQ(selectObject(sourceDC, stripe), source);
    EXPECT_EQ(setStretchBltMode(targetDC, HALFTONE), COLORONCOLOR);
    ASSERT_TRUE(stretchBlt(targetDC, 0, 0, 1, 1, sourceDC, 0, 0, 2, 1, SRCCOPY));
    EXPECT_NEAR(int(pixelOf(target, 0, 0) & 0xFF), 128, 1);
    EXPECT_EQ(selectObject(sourceDC, source), stripe);
    EXPECT_TRUE(deleteObject(stripe));
}

TEST_F(MemoryContextTest, StretchBltRefusesMirroringAndUnknownOperations) {
    std::string log = logOf([&] {
        EXPECT_FALSE(stretchBlt(targetDC, 0, 0, -2, 2, sourceDC, 0, 0, 2, 2, SRCCOPY));
        EXPECT_FALSE(bitBlt(targetDC, 0, 0, 2, 2, sourceDC, 0, 0, 0x00EE0086));  // SRCPAINT
        EXPECT_FALSE(bitBlt(targetDC, 0, 0, 2, 2, source, 0, 0, SRCCOPY));
    });
    EXPECT_NE(log.find("stretchBlt: mirroring is not supported"), std::string::npos) << log;
    EXPECT_NE(log.find("bitBlt: unsupported raster operation"), std::string::npos) << log;
    EXPECT_NE(log.find("bitBlt: unknown source device context"), std::string::npos) << log;
}

TEST_F(MemoryContextTest, PatBltFills) {
    ASSERT_TRUE(patBlt(targetDC, 0, 0, 6, 6, WHITENESS));
    ASSERT_TRUE(patBlt(targetDC, 1, 1, 2, 2, BLACKNESS));
    ASSERT_TRUE(setBrushColor(targetDC, kGreen));
    ASSERT_TRUE(patBlt(targetDC, 5, 5, -2, -1, PATCOPY));  // covers (3..4, 4)
    EXPECT_EQ(pixelOf(target, 0, 0), kWhite);
    EXPECT_EQ(pixelOf(target, 2, 2), kBlack);
    EXPECT_EQ(pixelOf(target, 3, 2), kWhite);
    EXPECT_EQ(pixelOf(target, 3, 4), kGreen);
    EXPECT_EQ(pixelOf(target, 4, 4), kGreen);
    EXPECT_EQ(pixelOf(target, 5, 4), kWhite);
    EXPECT_EQ(pixelOf(target, 4, 5), kWhite);
    ASSERT_TRUE(patBlt(targetDC, 0, 0, 1, 1, DSTINVERT));
    EXPECT_EQ(pixelOf(target, 0, 0), kBlack);
    EXPECT_TRUE(patBlt(targetDC, 10, 10, 5, 5, BLACKNESS));  // outside: nothing to do
}

TEST_F(MemoryContextTest, SelectedBitmapCannotBeDeletedOrSelectedTwice) {
    std::string log = logOf([&] {
        EXPECT_FALSE(deleteObject(source));
        EXPECT_EQ(selectObject(targetDC, source), 0);
    });
    EXPECT_NE(log.find("still selected"), std::string::npos) << log;
    EXPECT_NE(log.find("selected into another device context"), std::string::npos) << log;
}

TEST_F(MemoryContextTest, CopyingABitmapAsTheEngineAdoptsOne) {
    // Context A holds the host's bitmap, B a fresh compatible one: one copy.
    BITMAP size{};
    ASSERT_GT(getObject(source, sizeof size, &size), 0);
    const HDC copyDC = createCompatibleDC(0);
    const HBITMAP copy = createCompatibleBitmap(sourceDC, size.bmWidth, size.bmHeight);
    const HGDIOBJ previous = selectObject(copyDC, copy);
    ASSERT_TRUE(bitBlt(copyDC, 0, 0, size.bmWidth, size.bmHeight, sourceDC, 0, 0, SRCCOPY));
    EXPECT_EQ(selectObject(copyDC, previous), copy);
    EXPECT_TRUE(deleteDC(copyDC));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(pixelOf(copy, x, y), pixelOf(source, x, y));
    EXPECT_TRUE(deleteObject(copy));
}

TEST(GdiSurfaceContextTest, SurfaceContextsKeepTheirSurface) {
    const HDC dc = createPixelDC(4, 4, nullptr, 0);
    const HBITMAP bitmap = createBitmap(2, 2, nullptr, 2);
    EXPECT_EQ(selectObject(dc, bitmap), 0);
    ASSERT_TRUE(patBlt(dc, 0, 0, 4, 4, WHITENESS));
    int width = 0, height = 0, stride = 0;
    uint32_t* pixels = nullptr;
    ASSERT_TRUE(getDCPixels(dc, &pixels, &width, &height, &stride));
    EXPECT_EQ(width, 4);
    EXPECT_EQ(pixels[3 * stride + 3], kWhite);
    EXPECT_TRUE(deleteDC(dc));
    EXPECT_TRUE(deleteObject(bitmap));
}

TEST(GdiSurfaceContextTest, DeletingAContextReleasesItsBitmap) {
    const HDC dc = createCompatibleDC(0);
    const HBITMAP bitmap = createBitmap(2, 2, nullptr, 2);
    ASSERT_NE(selectObject(dc, bitmap), 0);
    EXPECT_FALSE(deleteObject(bitmap));
    EXPECT_TRUE(deleteDC(dc));
    EXPECT_TRUE(deleteObject(bitmap));
}

}  // namespace
}  // namespace pelmora::win
