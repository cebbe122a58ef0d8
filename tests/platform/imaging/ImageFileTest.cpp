// Image files written in every format and read back, the writers' output
// checked with the format's own library.
#include "platform/imaging/ImageFile.h"

#include "support/CapturedStdout.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <tiffio.h>

namespace pelmora::imaging {
namespace {

using test::stdoutOf;
using testing::HasSubstr;

int channel(uint32_t pixel, int shift) { return int((pixel >> shift) & 0xFF); }

// The largest difference of any colour channel between two images of one size.
int colourDistance(const Image& a, const Image& b) {
    int worst = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        for (int shift : {0, 8, 16})
            worst = std::max(worst,
                             std::abs(channel(a.pixels[i], shift) - channel(b.pixels[i], shift)));
    return worst;
}

// A smooth colour gradient with a translucent band, 24 x 16.
Image gradient() {
    Image image{24, 16, {}};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint32_t alpha = y < 4 ? 0x80 : 0xFF;
            image.pixels.push_back((alpha << 24) | uint32_t(x * 10) << 16 | uint32_t(y * 15) << 8 |
                                   uint32_t(200 - x * 4));
        }
    return image;
}

Image copyOf(ImageView view, bool keepAlpha) {
    Image image{view.width, view.height, {}};
    for (int y = 0; y < view.height; ++y)
        for (int x = 0; x < view.width; ++x)
            image.pixels.push_back(view.row(y)[x] | (keepAlpha ? 0 : 0xFF000000u));
    return image;
}

Image readBack(const std::string& path) {
    Image image;
    EXPECT_EQ(readImage(path.c_str(), &image), S_OK);
    return image;
}

Image decodeJpeg(const std::string& path) {
    Image image;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return image;
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    image.width = int(info.output_width);
    image.height = int(info.output_height);
    image.pixels.resize(size_t(image.width) * image.height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row =
            reinterpret_cast<JSAMPROW>(&image.pixels[info.output_scanline * image.width]);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return image;
}

Image decodeGif(const std::string& path) {
    Image image;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif) return image;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1) {
        const SavedImage& frame = gif->SavedImages[0];
        const ColorMapObject* map =
            frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
        image.width = frame.ImageDesc.Width;
        image.height = frame.ImageDesc.Height;
        for (int i = 0; i < image.width * image.height; ++i) {
            const GifColorType& c = map->Colors[frame.RasterBits[i]];
            image.pixels.push_back(0xFF000000u | uint32_t(c.Red) << 16 | uint32_t(c.Green) << 8 |
                                   c.Blue);
        }
    }
    DGifCloseFile(gif, &error);
    return image;
}

// The stored RGBA samples, read without libtiff's conversion (which would
// premultiply the alpha); empty unless there are four samples a pixel.
Image decodeTiff(const std::string& path) {
    Image image;
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (!tiff) return image;
    uint32_t width = 0, height = 0;
    uint16_t samples = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    std::vector<uint8_t> line(TIFFScanlineSize(tiff));
    for (uint32_t y = 0; y < height && samples == 4; ++y) {
        if (TIFFReadScanline(tiff, line.data(), y, 0) < 0) break;
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* rgba = &line[x * 4];
            image.pixels.push_back(uint32_t(rgba[3]) << 24 | uint32_t(rgba[0]) << 16 |
                                   uint32_t(rgba[1]) << 8 | rgba[2]);
        }
    }
    image.width = samples == 4 ? int(width) : 0;
    image.height = int(height);
    TIFFClose(tiff);
    return image;
}

class ImageFileTest : public testing::Test {
protected:
    void SetUp() override {
        directory = test::makeTempDir("pelmora-imaging-");
        ASSERT_FALSE(directory.empty());
    }
    void TearDown() override { test::removeTree(directory); }

    std::string file(const std::string& name) const { return directory + "/" + name; }

    void writeBytes(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream(file(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

    std::string directory;
    const Image source = gradient();
};

TEST_F(ImageFileTest, EveryFormatReadsBackAsWrittenWithinItsTolerance) {
    const std::vector<uint32_t> odd = {0xFF010203, 0xFF040506, 0xFF070809,
                                       0xFF0A0B0C, 0xFF0D0E0F, 0xFF101112};
    Image few{40, 30, {}};
    for (size_t i = 0; i < 40 * 30; ++i)
        few.pixels.push_back(i % 7 == 0 ? 0xFFFFFFFFu : i % 3 == 0 ? 0xFF123456u : 0xFF000000u);
    const ImageView half{source.pixels.data() + 12, 12, 16, 24};
    WriteOptions noAlpha, best;
    noAlpha.keepAlpha = false;
    best.jpegQuality = 95;
    const struct {
        std::string name;
        ImageFormat format;
        ImageView view;
        WriteOptions options;
        std::function<Image(const std::string&)> decode;
        bool keepsAlpha;
        int tolerance;
    } cases[] = {
        {"a.png", ImageFormat::Png, source.view(), {}, readBack, true, 0},
        {"opaque.png", ImageFormat::Png, source.view(), noAlpha, readBack, false, 0},
        // The right half of the gradient, read through the full image's stride.
        {"half.png", ImageFormat::Png, half, {}, readBack, true, 0},
        {"a.bmp", ImageFormat::Bmp, source.view(), {}, readBack, false, 0},
        // An odd width makes padded rows.
        {"odd.bmp", ImageFormat::Bmp, {odd.data(), 3, 2, 3}, {}, readBack, false, 0},
        {"a.jpg", ImageFormat::Jpeg, source.view(), best, decodeJpeg, false, 12},
        {"a.gif", ImageFormat::Gif, source.view(), {}, decodeGif, false, 16},
        {"few.gif", ImageFormat::Gif, few.view(), {}, decodeGif, false, 0},
        {"a.tif", ImageFormat::Tiff, source.view(), {}, decodeTiff, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(writeImage(file(c.name).c_str(), c.format, c.view, c.options), S_OK);
        const Image expected = copyOf(c.view, c.keepsAlpha);
        const Image decoded = c.decode(file(c.name));
        ASSERT_EQ(decoded.width, expected.width);
        ASSERT_EQ(decoded.height, expected.height);
        if (c.tolerance == 0)
            EXPECT_EQ(decoded.pixels, expected.pixels);
        else
            EXPECT_LE(colourDistance(decoded, expected), c.tolerance);
    }
    EXPECT_EQ(test::readFile(file("a.bmp")).size(), 14u + 40u + 16u * 72u);  // 24 bits a pixel
}

TEST_F(ImageFileTest, JpegQualityChangesTheFile) {
    WriteOptions low, high;
    low.jpegQuality = 5;
    high.jpegQuality = 100;
    ASSERT_EQ(writeImage(file("low.jpg").c_str(), ImageFormat::Jpeg, source.view(), low), S_OK);
    ASSERT_EQ(writeImage(file("high.jpg").c_str(), ImageFormat::Jpeg, source.view(), high), S_OK);
    EXPECT_LT(test::readFile(file("low.jpg")).size(), test::readFile(file("high.jpg")).size());
    EXPECT_GT(colourDistance(decodeJpeg(file("low.jpg")), source),
              colourDistance(decodeJpeg(file("high.jpg")), source));
}

TEST_F(ImageFileTest, UnwritablePathsAndBadArgumentsFailWithALogLine) {
    const std::string path = directory + "/missing/image";
    for (ImageFormat format : {ImageFormat::Png, ImageFormat::Jpeg, ImageFormat::Bmp,
                               ImageFormat::Gif, ImageFormat::Tiff}) {
        EXPECT_THAT(
            stdoutOf([&] { EXPECT_EQ(writeImage(path.c_str(), format, source.view()), E_FAIL); }),
            HasSubstr(std::string("cannot write ") + formatName(format) + " file '" + path));
    }
    WriteOptions zero;
    zero.jpegQuality = 0;
    const std::string log = stdoutOf([&] {
        EXPECT_EQ(writeImage(nullptr, ImageFormat::Png, source.view()), E_INVALIDARG);
        EXPECT_EQ(writeImage(file("x.png").c_str(), ImageFormat::Png, ImageView{}), E_INVALIDARG);
        EXPECT_EQ(writeImage(file("x.jpg").c_str(), ImageFormat::Jpeg, source.view(), zero),
                  E_INVALIDARG);
        EXPECT_EQ(readImage(file("x.png").c_str(), nullptr), E_INVALIDARG);
    });
    EXPECT_THAT(log, HasSubstr("JPEG quality outside 1..100"));
}

TEST_F(ImageFileTest, UnreadableFilesFailWithALogLine) {
    writeBytes("text.png", {'h', 'e', 'l', 'l', 'o'});
    ASSERT_EQ(writeImage(file("cut.png").c_str(), ImageFormat::Png, source.view()), S_OK);
    std::string png = test::readFile(file("cut.png"));
    writeBytes("cut.png", std::vector<uint8_t>(png.begin(), png.begin() + long(png.size() / 2)));
    writeBytes("cut.bmp", {'B', 'M', 0, 0});
    Image image;
    const std::string log = stdoutOf([&] {
        for (const char* name : {"none.png", "text.png", "cut.png", "cut.bmp"})
            EXPECT_EQ(readImage(file(name).c_str(), &image), E_FAIL) << name;
    });
    EXPECT_THAT(log, HasSubstr("cannot read '" + file("none.png") + "': No such file"));
    EXPECT_THAT(log, HasSubstr("not a PNG or BMP file"));
    EXPECT_THAT(log, HasSubstr("not a valid BMP file"));
}

// BMP files as other programs write them.
class BmpVariantTest : public ImageFileTest {
protected:
    static void put16(std::vector<uint8_t>& out, uint32_t v) {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    }
    static void put32(std::vector<uint8_t>& out, uint32_t v) {
        put16(out, v & 0xFFFF);
        put16(out, v >> 16);
    }
    // File and info headers; extra is what sits between the info header and the pixels.
    static std::vector<uint8_t> headers(int width, int height, int bits, uint32_t compression,
                                        uint32_t headerSize, const std::vector<uint8_t>& extra) {
        std::vector<uint8_t> out = {'B', 'M'};
        for (uint32_t v : {0u, 0u, uint32_t(14 + headerSize + extra.size()), headerSize,
                           uint32_t(width), uint32_t(height)})
            put32(out, v);
        put16(out, 1);
        put16(out, uint32_t(bits));
        put32(out, compression);
        out.resize(14 + headerSize, 0);
        out.insert(out.end(), extra.begin(), extra.end());
        return out;
    }
    Image read(const std::string& name, const std::vector<uint8_t>& bytes,
               HRESULT expected = S_OK) {
        writeBytes(name, bytes);
        Image image;
        EXPECT_EQ(readImage(file(name).c_str(), &image), expected);
        return image;
    }
};

TEST_F(BmpVariantTest, PalettesOfEightAndOneBitsBottomUp) {
    std::vector<uint8_t> palette;
    put32(palette, 0x00112233);
    put32(palette, 0x00445566);
    std::vector<uint8_t> bytes = headers(3, 2, 8, 0, 40, palette);
    for (uint8_t index : {1, 0, 1, 0, /* bottom row, padded */ 0, 1, 0, 0}) bytes.push_back(index);
    Image image = read("p8.bmp", bytes);
    ASSERT_EQ(image.width, 3);
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFF112233, 0xFF445566, 0xFF112233, 0xFF445566,
                                                   0xFF112233, 0xFF445566}));

    bytes = headers(10, 1, 1, 0, 40, palette);
    for (uint8_t b : {0b10100000, 0b01000000, 0, 0}) bytes.push_back(b);
    image = read("p1.bmp", bytes);
    ASSERT_EQ(image.width, 10);
    EXPECT_EQ(image.pixels[0], 0xFF445566u);
    EXPECT_EQ(image.pixels[1], 0xFF112233u);
    EXPECT_EQ(image.pixels[9], 0xFF445566u);
}

TEST_F(BmpVariantTest, ThirtyTwoBitFieldsTopDownWithAlphaAndSixteenBitFiveFiveFive) {
    std::vector<uint8_t> bytes = headers(2, -1, 32, 3, 108, {});  // V4: the masks are inside
    const uint32_t fields[] = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};  // R G B A
    for (int i = 0; i < 4; ++i)
        for (int b = 0; b < 4; ++b) bytes[14 + 40 + i * 4 + b] = uint8_t(fields[i] >> (8 * b));
    put32(bytes, 0x80332211);  // A=0x80 B=0x33 G=0x22 R=0x11
    put32(bytes, 0xFF000000);
    EXPECT_EQ(read("f32.bmp", bytes).pixels, (std::vector<uint32_t>{0x80112233u, 0xFF000000u}));

    bytes = headers(2, 1, 16, 0, 40, {});
    put16(bytes, 0x7C00);  // full red
    put16(bytes, 0x001F);  // full blue
    EXPECT_EQ(read("p16.bmp", bytes).pixels, (std::vector<uint32_t>{0xFFFF0000, 0xFF0000FF}));
}

TEST_F(BmpVariantTest, UnsupportedVariantsSayNotImplementedAndTruncatedOnesFail) {
    const std::string log = stdoutOf([&] {
        read("rle.bmp", headers(2, 2, 8, 1, 40, std::vector<uint8_t>(16, 0)), E_NOTIMPL);
        read("os2.bmp", headers(2, 2, 24, 0, 12, std::vector<uint8_t>(16, 0)), E_NOTIMPL);
    });
    EXPECT_THAT(log, HasSubstr("unsupported BMP variant: compressed bitmap"));
    EXPECT_THAT(log, HasSubstr("unsupported BMP variant: OS/2"));
    std::vector<uint8_t> bytes = headers(4, 4, 24, 0, 40, {});
    bytes.resize(bytes.size() + 10);
    stdoutOf([&] { read("short.bmp", bytes, E_FAIL); });
}

}  // namespace
}  // namespace pelmora::imaging
