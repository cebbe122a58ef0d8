// saveSnapshotJPG on the real device: a viewport rendered with a known
// background gradient is saved, the file read back and probed at computed
// pixels, at the viewport's own size and scaled.
#include <pelmora/pelmora.h>

#include "host/StringConversion.h"
#include "platform/imaging/ImageFile.h"
#include "support/D3D9TestDevice.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// After <cstdio>: the decoder's header needs FILE and size_t declared.
#include <jpeglib.h>

namespace {

using pelmora::test::Image;

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr uint32_t kTopColour = 0xE02010;
constexpr uint32_t kBottomColour = 0x1040C0;
constexpr int kLosslessTolerance = 3;
constexpr int kJpegTolerance = 8;

int channel(uint32_t colour, int shift) { return int((colour >> shift) & 0xFF); }

uint32_t mix(uint32_t a, uint32_t b, double t) {
    uint32_t out = 0;
    for (int shift : {16, 8, 0})
        out |= uint32_t(channel(a, shift) + (channel(b, shift) - channel(a, shift)) * t + 0.5)
               << shift;
    return out;
}

::testing::AssertionResult near(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift : {16, 8, 0})
        if (std::abs(channel(actual, shift) - channel(expected, shift)) > tolerance)
            return ::testing::AssertionFailure()
                   << std::hex << "0x" << (actual & 0xFFFFFF) << " is not near 0x" << expected;
    return ::testing::AssertionSuccess();
}

// The background at row y of an image of the given height scaled from the
// viewport: rows of the viewport blend from the top colour at 0 towards the
// bottom colour at kHeight, and scaled rows sample at their centres.
uint32_t backgroundAt(int y, int height) {
    const double sourceRow = (y + 0.5) * kHeight / height - 0.5;
    return mix(kTopColour, kBottomColour, std::clamp(sourceRow, 0.0, kHeight - 1.0) / kHeight);
}

void expectBackground(const Image& image, int width, int height, int tolerance) {
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    for (int y : {height / 4, height / 2, height * 3 / 4})
        for (int x : {0, width / 2, width - 1})
            EXPECT_TRUE(near(image.at(x, y), backgroundAt(y, height), tolerance))
                << "at (" << x << ", " << y << ")";
}

Image readLossless(const std::string& path) {
    pelmora::imaging::Image read;
    EXPECT_EQ(pelmora::imaging::readImage(path.c_str(), &read), S_OK) << path;
    return Image{read.width, read.height, read.pixels};
}

Image readJpeg(const std::string& path) {
    Image image;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return image;
    jpeg_decompress_struct decoder{};
    jpeg_error_mgr errors{};
    decoder.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&decoder);
    jpeg_stdio_src(&decoder, file);
    jpeg_read_header(&decoder, TRUE);
    decoder.out_color_space = JCS_RGB;
    jpeg_start_decompress(&decoder);
    image.width = int(decoder.output_width);
    image.height = int(decoder.output_height);
    std::vector<JSAMPLE> row(size_t(image.width) * 3);
    while (decoder.output_scanline < decoder.output_height) {
        JSAMPROW rows[] = {row.data()};
        jpeg_read_scanlines(&decoder, rows, 1);
        for (int x = 0; x < image.width; ++x)
            image.pixels.push_back(0xFF000000u | uint32_t(row[3 * x]) << 16 |
                                   uint32_t(row[3 * x + 1]) << 8 | row[3 * x + 2]);
    }
    jpeg_finish_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    std::fclose(file);
    return image;
}

// The first bytes of a file, to tell its format.
std::string head(const std::string& path, size_t count) {
    return pelmora::test::readFile(path).substr(0, count);
}

class ViewportSnapshot : public ::testing::Test {
protected:
    void SetUp() override {
        folder = pelmora::test::makeTempDir("pelmora-snapshot-");
        temporaries = pelmora::test::makeTempDir("pelmora-snapshot-tmp-");
        const char* previous = std::getenv("TMPDIR");
        if (previous) previousTemporaries = previous;
        setenv("TMPDIR", temporaries.c_str(), 1);

        ASSERT_EQ(PelmoraCreateContext(&context), S_OK);
        VARIANT_BOOL noHardware = VARIANT_TRUE;
        ASSERT_EQ(context->initialize(VARIANT_FALSE, nullptr, &noHardware), S_OK);
        ASSERT_EQ(context->newFrame(0, &root), S_OK);
        window = PelmoraCreateOffscreenWindow(kWidth, kHeight);
        ASSERT_EQ(context->newViewport(window, 0, VARIANT_TRUE, kWidth, kHeight, &viewport), S_OK);
        ASSERT_EQ(context->setViewportBackground(viewport, int(kTopColour), int(kBottomColour)),
                  S_OK);
        ASSERT_EQ(context->clearViewport(viewport), S_OK);
        ASSERT_EQ(context->render(viewport, root, VARIANT_TRUE, VARIANT_FALSE), S_OK);
    }
    void TearDown() override {
        if (context) {
            context->releaseHandle(viewport);
            context->Release();
        }
        PelmoraDestroyWindow(window);
        // No temporary file outlives a snapshot.
        EXPECT_TRUE(std::filesystem::is_empty(temporaries));
        if (previousTemporaries)
            setenv("TMPDIR", previousTemporaries->c_str(), 1);
        else
            unsetenv("TMPDIR");
        pelmora::test::removeTree(folder);
        pelmora::test::removeTree(temporaries);
    }

    HRESULT save(const std::string& path, int width, int height) {
        BSTR name = pelmora::bstrFromNarrow(path);
        const HRESULT status = context->saveSnapshotJPG(viewport, name, width, height);
        SysFreeString(name);
        return status;
    }
    std::string file(const std::string& name) const { return folder + "/" + name; }

    IDXContext* context = nullptr;
    int root = 0;
    int window = 0;
    int viewport = 0;
    std::string folder;
    std::string temporaries;
    std::optional<std::string> previousTemporaries;
};

TEST_F(ViewportSnapshot, SavesThePngAtTheViewportsOwnSize) {
    ASSERT_EQ(save(file("own.png"), kWidth, kHeight), S_OK);
    const Image image = readLossless(file("own.png"));
    pelmora::test::D3D9TestDevice::savePng(image, "snapshot_own_size");
    expectBackground(image, kWidth, kHeight, kLosslessTolerance);
    EXPECT_TRUE(near(image.at(kWidth / 2, 0), kTopColour, kLosslessTolerance));
}

TEST_F(ViewportSnapshot, UpscalesToTwiceTheSizeAsBmp) {
    ASSERT_EQ(save(file("twice.bmp"), 2 * kWidth, 2 * kHeight), S_OK);
    EXPECT_EQ(head(file("twice.bmp"), 2), "BM");
    const Image image = readLossless(file("twice.bmp"));
    pelmora::test::D3D9TestDevice::savePng(image, "snapshot_twice_size");
    expectBackground(image, 2 * kWidth, 2 * kHeight, kLosslessTolerance);
}

TEST_F(ViewportSnapshot, SavesJpegAtItsOwnSizeAndScaledDown) {
    ASSERT_EQ(save(file("own.jpg"), kWidth, kHeight), S_OK);
    expectBackground(readJpeg(file("own.jpg")), kWidth, kHeight, kJpegTolerance);
    ASSERT_EQ(save(file("small.jpg"), 40, 30), S_OK);
    const Image small = readJpeg(file("small.jpg"));
    pelmora::test::D3D9TestDevice::savePng(small, "snapshot_small_jpeg");
    expectBackground(small, 40, 30, kJpegTolerance);
}

TEST_F(ViewportSnapshot, TheExtensionChoosesTheFormat) {
    const std::string jpeg = "\xFF\xD8";
    const struct {
        const char* name;
        std::string signature;
    } cases[] = {
        {"upper.JPG", jpeg},    {"long.jpeg", jpeg},         {"no-extension", jpeg},
        {"picture.TIF", "II*"}, {"two.dots.png", "\x89PNG"}, {"animated.gif", "GIF8"},
    };
    for (const auto& entry : cases) {
        ASSERT_EQ(save(file(entry.name), 16, 12), S_OK) << entry.name;
        EXPECT_EQ(head(file(entry.name), entry.signature.size()), entry.signature) << entry.name;
    }
}

TEST_F(ViewportSnapshot, AFileThatCannotBeWrittenGivesAFailureAndALogLine) {
    testing::internal::CaptureStdout();
    const HRESULT status = save(folder + "/missing-folder/view.png", kWidth, kHeight);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(FAILED(status));
    EXPECT_NE(log.find("missing-folder/view.png"), std::string::npos) << log;
    EXPECT_NE(log.find("FAILED HRESULT"), std::string::npos) << log;
}

TEST_F(ViewportSnapshot, NoTemporaryFolderGivesAFailureAndNoFile) {
    setenv("TMPDIR", (temporaries + "/gone").c_str(), 1);
    testing::internal::CaptureStdout();
    const HRESULT status = save(file("view.png"), kWidth, kHeight);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, E_FAIL);
    EXPECT_NE(log.find("cannot make a temporary file"), std::string::npos) << log;
    EXPECT_FALSE(std::filesystem::exists(file("view.png")));
}

TEST_F(ViewportSnapshot, ABadSizeOrNoNameIsRefused) {
    EXPECT_EQ(save(file("flat.png"), kWidth, 0), E_INVALIDARG);
    EXPECT_EQ(context->saveSnapshotJPG(viewport, nullptr, kWidth, kHeight), E_INVALIDARG);
    EXPECT_FALSE(std::filesystem::exists(file("flat.png")));
}

}  // namespace
