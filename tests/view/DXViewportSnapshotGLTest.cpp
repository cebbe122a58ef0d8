// saveSnapshotJPG on the real device: a viewport rendered with a known
// background gradient is saved, read back and probed at computed pixels.
#include <pelmora/pelmora.h>

#include "core/StringConversion.h"
#include "platform/imaging/ImageFile.h"
#include "platform/imaging/Resampler.h"
#include "support/D3D9TestDevice.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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

int channel(uint32_t colour, int shift) { return int((colour >> shift) & 0xFF); }

// The background at row y of a snapshot `height` rows high: the viewport's
// rows blend from the top colour at 0 towards the bottom colour at kHeight,
// and scaled rows sample the viewport at their centres.
uint32_t backgroundAt(int y, int height) {
    const double row = std::clamp((y + 0.5) * kHeight / height - 0.5, 0.0, kHeight - 1.0);
    uint32_t out = 0;
    for (int shift : {16, 8, 0}) {
        const int top = channel(kTopColour, shift), bottom = channel(kBottomColour, shift);
        out |= uint32_t(top + (bottom - top) * row / kHeight + 0.5) << shift;
    }
    return out;
}

void expectBackground(const Image& image, int width, int height, int tolerance) {
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    for (int y : {height / 4, height / 2, height * 3 / 4})
        for (int x : {0, width / 2, width - 1})
            for (int shift : {16, 8, 0})
                EXPECT_NEAR(channel(image.at(x, y), shift), channel(backgroundAt(y, height), shift),
                            tolerance)
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
            image.pixels.push_back(uint32_t(row[3 * x]) << 16 | uint32_t(row[3 * x + 1]) << 8 |
                                   row[3 * x + 2]);
    }
    jpeg_finish_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    std::fclose(file);
    return image;
}

class ViewportSnapshot : public ::testing::Test {
protected:
    void SetUp() override {
        folder = pelmora::test::makeTempDir("pelmora-snapshot-");
        temporaries = pelmora::test::makeTempDir("pelmora-snapshot-tmp-");
        if (const char* previous = std::getenv("TMPDIR")) previousTemporaries = previous;
        setenv("TMPDIR", temporaries.c_str(), 1);

        ASSERT_EQ(PelmoraCreateContext(&context), S_OK);
        VARIANT_BOOL noHardware = VARIANT_TRUE;
        ASSERT_EQ(context->initialize(VARIANT_FALSE, nullptr, &noHardware), S_OK);
        ASSERT_EQ(context->newFrame(0, &root), S_OK);
        window = PelmoraCreateOffscreenWindow(kWidth, kHeight);
        ASSERT_EQ(context->newViewport(window, 0, VARIANT_TRUE, kWidth, kHeight, &viewport), S_OK);
        ASSERT_EQ(context->setViewportBackground(viewport, kTopColour, kBottomColour), S_OK);
        ASSERT_EQ(context->clearViewport(viewport), S_OK);
        ASSERT_EQ(context->render(viewport, root, VARIANT_TRUE, VARIANT_FALSE), S_OK);
    }
    void TearDown() override {
        if (context) context->releaseHandle(viewport);
        if (context) context->Release();
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

    // Saves into the test's folder; the status, and the log in *log when given.
    HRESULT save(const std::string& name, int width, int height, std::string* log = nullptr) {
        BSTR path = pelmora::bstrFromNarrow(file(name));
        testing::internal::CaptureStdout();
        const HRESULT status = context->saveSnapshotJPG(viewport, path, width, height);
        const std::string output = testing::internal::GetCapturedStdout();
        if (log) *log = output;
        SysFreeString(path);
        return status;
    }
    std::string file(const std::string& name) const { return folder + "/" + name; }

    IDXContext* context = nullptr;
    int root = 0, window = 0, viewport = 0;
    std::string folder, temporaries;
    std::optional<std::string> previousTemporaries;
};

TEST_F(ViewportSnapshot, SavesTheBackgroundAtItsOwnSizeAndScaled) {
    const struct {
        const char* name;
        int width, height;
        bool jpeg;
    } cases[] = {{"own.png", kWidth, kHeight, false},
                 {"twice.bmp", 2 * kWidth, 2 * kHeight, false},
                 {"own.jpg", kWidth, kHeight, true},
                 {"small.jpg", 40, 30, true}};
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        ASSERT_EQ(save(entry.name, entry.width, entry.height), S_OK);
        const Image image = entry.jpeg ? readJpeg(file(entry.name)) : readLossless(file(entry.name));
        pelmora::test::D3D9TestDevice::savePng(image, std::string("snapshot_") + entry.name);
        expectBackground(image, entry.width, entry.height, entry.jpeg ? 8 : 3);
    }
}

// The last extension of the file's own name chooses; any other means JPEG.
TEST_F(ViewportSnapshot, TheExtensionChoosesTheFormat) {
    const std::string jpeg = "\xFF\xD8";
    const std::pair<const char*, std::string> cases[] = {
        {"upper.JPG", jpeg},    {"long.jpeg", jpeg},         {"no-extension", jpeg},
        {"picture.TIF", "II*"}, {"two.dots.png", "\x89PNG"}, {"moving.gif", "GIF8"},
        {"plain.bmp", "BM"},    {"shout.PNG", "\x89PNG"},    {"long.tiff", "II*"},
        {"note.png.txt", jpeg}, {"dir.png/a", jpeg}};
    std::filesystem::create_directory(file("dir.png"));
    for (const auto& [name, signature] : cases) {
        ASSERT_EQ(save(name, 16, 12), S_OK) << name;
        EXPECT_EQ(pelmora::test::readFile(file(name)).substr(0, signature.size()), signature)
            << name;
        // Every format is readable by others, as the umask allows.
        const mode_t mask = umask(0);
        umask(mask);
        EXPECT_EQ(std::filesystem::status(file(name)).permissions(),
                  std::filesystem::perms(0644 & ~mask)) << name;
    }
}

TEST_F(ViewportSnapshot, FilesThatCannotBeMadeGiveAFailureAndALogLine) {
    std::string log;
    EXPECT_TRUE(FAILED(save("missing-folder/view.png", kWidth, kHeight, &log)));
    EXPECT_NE(log.find("missing-folder/view.png"), std::string::npos) << log;
    EXPECT_NE(log.find("FAILED HRESULT"), std::string::npos) << log;

    // A FIFO is refused at once (with or without a reader it would block),
    // and so is a name a NUL would cut short to another file and format.
    ASSERT_EQ(mkfifo(file("pipe.png").c_str(), 0644), 0);
    EXPECT_EQ(save("pipe.png", kWidth, kHeight, &log), E_FAIL);
    EXPECT_NE(log.find("not a regular file"), std::string::npos) << log;
    EXPECT_EQ(save(std::string("cut.png\0.jpg", 12), kWidth, kHeight, &log), E_INVALIDARG);
    EXPECT_NE(log.find("NUL"), std::string::npos) << log;
    EXPECT_FALSE(std::filesystem::exists(file("cut.png")));

    // The pixels go straight to the encoder: no temporary folder is needed.
    setenv("TMPDIR", (temporaries + "/gone").c_str(), 1);
    EXPECT_EQ(save("view.png", kWidth, kHeight, &log), S_OK) << log;
    EXPECT_TRUE(std::filesystem::exists(file("view.png")));
}

// A lossless snapshot holds the presented pixels exactly at the viewport's
// size, and exactly those pixels resampled at any other size.
TEST_F(ViewportSnapshot, LosslessSnapshotsHoldThePresentedPixelsOrThemResampled) {
    ASSERT_EQ(context->viewportPresent(viewport, 0, 0, kWidth, kHeight), S_OK);
    int width = 0, height = 0;
    const uint32_t* presented = nullptr;
    ASSERT_EQ(PelmoraGetWindowImage(window, &width, &height, &presented), S_OK);
    const pelmora::imaging::ImageView shown{presented, width, height, width};
    const struct {
        const char* name;
        int width, height;
    } cases[] = {{"same.png", kWidth, kHeight}, {"larger.png", 2 * kWidth + 3, 2 * kHeight},
                 {"smaller.bmp", 37, 29}};
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        ASSERT_EQ(save(entry.name, entry.width, entry.height), S_OK);
        const Image saved = readLossless(file(entry.name));
        const pelmora::imaging::Image expected = pelmora::imaging::resample(shown, entry.width, entry.height);
        ASSERT_EQ(saved.width, expected.width);
        ASSERT_EQ(saved.height, expected.height);
        size_t different = 0;
        for (size_t i = 0; i < expected.pixels.size(); ++i)
            different += (saved.pixels[i] & 0xFFFFFF) != (expected.pixels[i] & 0xFFFFFF) ? 1 : 0;
        EXPECT_EQ(different, 0u);
    }
}

}  // namespace
