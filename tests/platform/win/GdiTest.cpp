// Bitmaps, device contexts and the blits, checked at computed pixels.
#include <pelmora/host.h>

#include "platform/win/DeviceContext.h"
#include "platform/win/Gdi.h"
#include "support/CapturedStdout.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelmora::win {
namespace {

using test::stdoutOf;
using testing::HasSubstr;

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kGreen = 0xFF00FF00u;

// Pixels numbered by position, so a copied pixel tells where it came from.
std::vector<uint32_t> numbered(int width, int height) {
    std::vector<uint32_t> pixels(size_t(width) * height);
    for (int i = 0; i < width * height; ++i) pixels[i] = kBlack | uint32_t(i);
    return pixels;
}

uint32_t pixelOf(HBITMAP bitmap, int x, int y) { return getBitmapImage(bitmap).row(y)[x]; }

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
    EXPECT_EQ(PelmoraGetBitmapImage(bitmap, &width, nullptr, &image), E_POINTER);

    EXPECT_NE(DeleteObject(bitmap), 0);
    const std::string log = stdoutOf([&] {
        EXPECT_EQ(PelmoraGetBitmapImage(bitmap, &width, &height, &image), E_HANDLE);
        EXPECT_EQ(DeleteObject(bitmap), 0);
    });
    EXPECT_THAT(log, HasSubstr("PelmoraGetBitmapImage: unknown bitmap"));

    const int black = PelmoraCreateBitmap(2, 2, nullptr);  // no pixels: opaque black
    EXPECT_EQ(pixelOf(black, 1, 1), kBlack);
    DeleteObject(black);
}

TEST(BitmapTest, BadArgumentsAreRefusedWithALogLine) {
    const std::string log = stdoutOf([] {
        EXPECT_EQ(PelmoraCreateBitmap(0, 4, nullptr), 0);
        EXPECT_EQ(PelmoraCreateBitmap(4, kMaxBitmapDimension + 1, nullptr), 0);
        EXPECT_EQ(DeleteObject(0), 0);
        EXPECT_EQ(DeleteObject(0x12345678), 0);
    });
    EXPECT_THAT(log, HasSubstr("createBitmap: bad size 0 x 4"));
    EXPECT_THAT(log, HasSubstr("DeleteObject: unknown handle"));
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

TEST(DeviceContextTest, AHostDrawsThroughAPixelContext) {
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
    EXPECT_EQ(PelmoraGetDCImage(dc, &width, &height, nullptr, &stride), E_POINTER);
    EXPECT_EQ(DeleteObject(dc), 0);  // contexts go with deleteDC
    const int bitmap = PelmoraCreateBitmap(1, 1, nullptr);
    EXPECT_EQ(PelmoraGetDCImage(bitmap, &width, &height, &image, &stride), E_HANDLE);
    DeleteObject(bitmap);

    EXPECT_TRUE(deleteDC(dc));
    EXPECT_FALSE(deleteDC(dc));
    EXPECT_EQ(PelmoraGetDCImage(dc, &width, &height, &image, &stride), E_HANDLE);
    EXPECT_EQ(createPixelDC(0, 2, nullptr, 0), 0);
    EXPECT_EQ(createPixelDC(2, 2, pixels.data(), 1), 0);  // stride below the width
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

TEST_F(MemoryContextTest, BlitsCopyClipAndScaleByNearestPixel) {
    struct Blit {
        int x, y, width, height, sourceX, sourceY;
        int sourceWidth = 0, sourceHeight = 0;  // 0: an unscaled bitBlt
        bool withinSource = false;              // from the source bitmap onto itself
    };
    struct Probe {
        int x, y;
        uint32_t number;  // the source pixel's; kBlack alone where nothing lands
    };
    const struct {
        const char* label;
        Blit blit;
        std::vector<Probe> probes;
    } cases[] = {
        {"copy", {1, 2, 2, 2, 1, 1}, {{1, 2, 5}, {2, 3, 10}, {0, 2, 0}, {3, 2, 0}}},
        {"clipped by both bitmaps", {-1, 4, 4, 4, 0, 2}, {{0, 4, 9}, {2, 5, 15}, {3, 5, 0}}},
        {"doubled", {0, 0, 4, 4, 0, 0, 2, 2}, {{1, 1, 0}, {2, 1, 1}, {3, 3, 5}, {4, 0, 0}}},
        {"halved", {0, 0, 2, 2, 0, 0, 4, 4}, {{0, 0, 5}, {1, 1, 15}}},
        // Overlapping within one bitmap reads the original pixels.
        {"within one bitmap", {1, 0, 3, 1, 0, 0, 0, 0, true}, {{1, 0, 0}, {2, 0, 1}, {3, 0, 2}}},
    };
    for (const auto& [label, b, probes] : cases) {
        SCOPED_TRACE(label);
        ASSERT_TRUE(patBlt(targetDC, 0, 0, 6, 6, BLACKNESS));
        const HDC destination = b.withinSource ? sourceDC : targetDC;
        ASSERT_TRUE(b.sourceWidth
                        ? stretchBlt(destination, b.x, b.y, b.width, b.height, sourceDC, b.sourceX,
                                     b.sourceY, b.sourceWidth, b.sourceHeight, SRCCOPY)
                        : bitBlt(destination, b.x, b.y, b.width, b.height, sourceDC, b.sourceX,
                                 b.sourceY, SRCCOPY));
        for (const Probe& p : probes)
            EXPECT_EQ(pixelOf(b.withinSource ? source : target, p.x, p.y), kBlack | p.number)
                << p.x << ", " << p.y;
    }
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

TEST_F(MemoryContextTest, RefusedBlitsAndSelectionsSayWhy) {
    const std::string log = stdoutOf([&] {
        EXPECT_FALSE(stretchBlt(targetDC, 0, 0, -2, 2, sourceDC, 0, 0, 2, 2, SRCCOPY));
        EXPECT_FALSE(bitBlt(targetDC, 0, 0, 2, 2, sourceDC, 0, 0, 0x00EE0086));  // SRCPAINT
        EXPECT_FALSE(bitBlt(targetDC, 0, 0, 2, 2, source, 0, 0, SRCCOPY));
        EXPECT_FALSE(deleteObject(source));
        EXPECT_EQ(selectObject(targetDC, source), 0);
    });
    EXPECT_THAT(log, HasSubstr("stretchBlt: mirroring is not supported"));
    EXPECT_THAT(log, HasSubstr("bitBlt: unsupported raster operation"));
    EXPECT_THAT(log, HasSubstr("bitBlt: unknown source device context"));
    EXPECT_THAT(log, HasSubstr("still selected"));
    EXPECT_THAT(log, HasSubstr("selected into another device context"));
}

TEST_F(MemoryContextTest, PatBltFills) {
    ASSERT_TRUE(patBlt(targetDC, 0, 0, 6, 6, WHITENESS));
    ASSERT_TRUE(patBlt(targetDC, 1, 1, 2, 2, BLACKNESS));
    ASSERT_TRUE(setBrushColor(targetDC, kGreen));
    ASSERT_TRUE(patBlt(targetDC, 5, 5, -2, -1, PATCOPY));  // covers (3..4, 4)
    const std::pair<std::pair<int, int>, uint32_t> expected[] = {
        {{0, 0}, kWhite}, {{2, 2}, kBlack}, {{3, 2}, kWhite}, {{3, 4}, kGreen},
        {{4, 4}, kGreen}, {{5, 4}, kWhite}, {{4, 5}, kWhite},
    };
    for (const auto& [at, colour] : expected)
        EXPECT_EQ(pixelOf(target, at.first, at.second), colour) << at.first << ", " << at.second;
    ASSERT_TRUE(patBlt(targetDC, 0, 0, 1, 1, DSTINVERT));
    EXPECT_EQ(pixelOf(target, 0, 0), kBlack);
    EXPECT_TRUE(patBlt(targetDC, 10, 10, 5, 5, BLACKNESS));  // outside: nothing to do
}

TEST(GdiSurfaceContextTest, SurfaceContextsKeepTheirSurfaceAndMemoryOnesReleaseTheirBitmap) {
    const HDC surface = createPixelDC(4, 4, nullptr, 0);
    const HBITMAP bitmap = createBitmap(2, 2, nullptr, 2);
    EXPECT_EQ(selectObject(surface, bitmap), 0);
    ASSERT_TRUE(patBlt(surface, 0, 0, 4, 4, WHITENESS));
    int width = 0, height = 0, stride = 0;
    uint32_t* pixels = nullptr;
    ASSERT_TRUE(getDCPixels(surface, &pixels, &width, &height, &stride));
    EXPECT_EQ(width, 4);
    EXPECT_EQ(pixels[3 * stride + 3], kWhite);
    EXPECT_TRUE(deleteDC(surface));

    const HDC memory = createCompatibleDC(0);
    ASSERT_NE(selectObject(memory, bitmap), 0);
    EXPECT_FALSE(deleteObject(bitmap));
    EXPECT_TRUE(deleteDC(memory));
    EXPECT_TRUE(deleteObject(bitmap));
}

}  // namespace
}  // namespace pelmora::win
