// Image files written in every format and read back, the writers' output
// checked with the format's own library.
#include "platform/imaging/ImageFile.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <tiffio.h>

namespace pelmora::imaging {
namespace {

template <class Action>
std::string logOf(Action&& action) {
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

int channel(uint32_t pixel, int shift) { return int((pixel >> shift) & 0xFF); }

// The largest difference of any colour channel between two images.
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

Image opaque(Image image) {
    for (uint32_t& pixel : image.pixels) pixel |= 0xFF000000u;
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

// The stored samples, read without libtiff's conversion (which would
// premultiply the alpha).
Image decodeTiff(const std::string& path, uint16_t* samplesPerPixel) {
    Image image;
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (!tiff) return image;
    uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samplesPerPixel);
    std::vector<uint8_t> line(TIFFScanlineSize(tiff));
    for (uint32_t y = 0; y < height && *samplesPerPixel == 4; ++y) {
        if (TIFFReadScanline(tiff, line.data(), y, 0) < 0) break;
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* rgba = &line[x * 4];
            image.pixels.push_back(uint32_t(rgba[3]) << 24 | uint32_t(rgba[0]) << 16 |
                                   uint32_t(rgba[1]) << 8 | rgba[2]);
        }
    }
    image.width = int(width);
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

TEST_F(ImageFileTest, PngKeepsEveryPixelAndAlpha) {
    ASSERT_EQ(writeImage(file("a.png").c_str(), ImageFormat::Png, source.view()), S_OK);
    Image read;
    ASSERT_EQ(readImage(file("a.png").c_str(), &read), S_OK);
    EXPECT_EQ(read.width, source.width);
    EXPECT_EQ(read.height, source.height);
    EXPECT_EQ(read.pixels, source.pixels);
}

TEST_F(ImageFileTest, PngWithoutAlphaIsOpaque) {
    WriteOptions options;
    options.keepAlpha = false;
    ASSERT_EQ(writeImage(file("o.png").c_str(), ImageFormat::Png, source.view(), options), S_OK);
    Image read;
    ASSERT_EQ(readImage(file("o.png").c_str(), &read), S_OK);
    EXPECT_EQ(read.pixels, opaque(source).pixels);
}

TEST_F(ImageFileTest, PngFromAStridedView) {
    // The right half of the gradient, read through the full image's stride.
    const ImageView half{source.pixels.data() + 12, 12, 16, 24};
    ASSERT_EQ(writeImage(file("h.png").c_str(), ImageFormat::Png, half), S_OK);
    Image read;
    ASSERT_EQ(readImage(file("h.png").c_str(), &read), S_OK);
    ASSERT_EQ(read.width, 12);
    EXPECT_EQ(read.pixels[5 * 12 + 3], source.pixels[5 * 24 + 15]);
}

TEST_F(ImageFileTest, BmpKeepsColoursAndDropsAlpha) {
    ASSERT_EQ(writeImage(file("a.bmp").c_str(), ImageFormat::Bmp, source.view()), S_OK);
    EXPECT_EQ(test::readFile(file("a.bmp")).size(), 14u + 40u + 16u * 72u);  // 24 x 3 bytes a row
    Image read;
    ASSERT_EQ(readImage(file("a.bmp").c_str(), &read), S_OK);
    EXPECT_EQ(read.pixels, opaque(source).pixels);
}

TEST_F(ImageFileTest, BmpRowsArePadded) {
    const std::vector<uint32_t> odd = {0xFF010203, 0xFF040506, 0xFF070809,
                                       0xFF0A0B0C, 0xFF0D0E0F, 0xFF101112};
    ASSERT_EQ(writeImage(file("odd.bmp").c_str(), ImageFormat::Bmp, ImageView{odd.data(), 3, 2, 3}),
              S_OK);
    Image read;
    ASSERT_EQ(readImage(file("odd.bmp").c_str(), &read), S_OK);
    EXPECT_EQ(read.pixels, odd);
}

TEST_F(ImageFileTest, JpegDecodesCloseToTheSource) {
    WriteOptions best;
    best.jpegQuality = 95;
    ASSERT_EQ(writeImage(file("a.jpg").c_str(), ImageFormat::Jpeg, source.view(), best), S_OK);
    Image decoded = decodeJpeg(file("a.jpg"));
    ASSERT_EQ(decoded.width, source.width);
    ASSERT_EQ(decoded.height, source.height);
    EXPECT_LE(colourDistance(decoded, source), 12);
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

TEST_F(ImageFileTest, GifQuantisesCloseToTheSource) {
    ASSERT_EQ(writeImage(file("a.gif").c_str(), ImageFormat::Gif, source.view()), S_OK);
    Image decoded = decodeGif(file("a.gif"));
    ASSERT_EQ(decoded.width, source.width);
    ASSERT_EQ(decoded.height, source.height);
    EXPECT_LE(colourDistance(decoded, source), 16);
}

TEST_F(ImageFileTest, GifKeepsFewColoursExactly) {
    std::vector<uint32_t> pixels(40 * 30);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (i % 7 == 0) ? 0xFFFFFFFFu : (i % 3 == 0) ? 0xFF123456u : 0xFF000000u;
    const Image few{40, 30, pixels};
    ASSERT_EQ(writeImage(file("few.gif").c_str(), ImageFormat::Gif, few.view()), S_OK);
    EXPECT_EQ(decodeGif(file("few.gif")).pixels, few.pixels);
}

TEST_F(ImageFileTest, GifHandlesManyColours) {
    Image many{64, 64, {}};
    for (int i = 0; i < 64 * 64; ++i) many.pixels.push_back(0xFF000000u | uint32_t(i * 4099));
    ASSERT_EQ(writeImage(file("many.gif").c_str(), ImageFormat::Gif, many.view()), S_OK);
    EXPECT_EQ(decodeGif(file("many.gif")).width, 64);
}

TEST_F(ImageFileTest, TiffKeepsEveryPixelAndAlpha) {
    ASSERT_EQ(writeImage(file("a.tif").c_str(), ImageFormat::Tiff, source.view()), S_OK);
    uint16_t samples = 0;
    Image decoded = decodeTiff(file("a.tif"), &samples);
    EXPECT_EQ(samples, 4);
    ASSERT_EQ(decoded.width, source.width);
    EXPECT_EQ(decoded.pixels, source.pixels);
}

TEST_F(ImageFileTest, UnwritablePathsFailWithALogLine) {
    const std::string path = directory + "/missing/image";
    for (ImageFormat format : {ImageFormat::Png, ImageFormat::Jpeg, ImageFormat::Bmp,
                               ImageFormat::Gif, ImageFormat::Tiff}) {
        std::string log = logOf([&] {
            EXPECT_EQ(writeImage(path.c_str(), format, source.view()), E_FAIL)
                << formatName(format);
        });
        EXPECT_NE(log.find(std::string("cannot write ") + formatName(format) + " file '" + path),
                  std::string::npos)
            << log;
    }
}

TEST_F(ImageFileTest, BadArgumentsAreRefused) {
    WriteOptions zero;
    zero.jpegQuality = 0;
    std::string log = logOf([&] {
        EXPECT_EQ(writeImage(nullptr, ImageFormat::Png, source.view()), E_INVALIDARG);
        EXPECT_EQ(writeImage(file("x.png").c_str(), ImageFormat::Png, ImageView{}), E_INVALIDARG);
        EXPECT_EQ(writeImage(file("x.jpg").c_str(), ImageFormat::Jpeg, source.view(), zero),
                  E_INVALIDARG);
        EXPECT_EQ(readImage(file("x.png").c_str(), nullptr), E_INVALIDARG);
    });
    EXPECT_NE(log.find("JPEG quality outside 1..100"), std::string::npos) << log;
}

TEST_F(ImageFileTest, UnreadableFilesFailWithALogLine) {
    writeBytes("text.png", {'h', 'e', 'l', 'l', 'o'});
    ASSERT_EQ(writeImage(file("cut.png").c_str(), ImageFormat::Png, source.view()), S_OK);
    std::string png = test::readFile(file("cut.png"));
    writeBytes("cut.png", std::vector<uint8_t>(png.begin(), png.begin() + long(png.size() / 2)));
    writeBytes("cut.bmp", {'B', 'M', 0, 0});
    Image image;
    std::string log = logOf([&] {
        EXPECT_EQ(readImage(file("none.png").c_str(), &image), E_FAIL);
        EXPECT_EQ(readImage(file("text.png").c_str(), &image), E_FAIL);
        EXPECT_EQ(readImage(file("cut.png").c_str(), &image), E_FAIL);
        EXPECT_EQ(readImage(file("cut.bmp").c_str(), &image), E_FAIL);
    });
    EXPECT_NE(log.find("cannot read '" + file("none.png") + "': No such file"), std::string::npos)
        << log;
    EXPECT_NE(log.find("not a PNG or BMP file"), std::string::npos) << log;
    EXPECT_NE(log.find("not a valid BMP file"), std::string::npos) << log;
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
        put32(out, 0);
        put32(out, 0);
        put32(out, uint32_t(14 + headerSize + extra.size()));
        put32(out, headerSize);
        put32(out, uint32_t(width));
        put32(out, uint32_t(height));
        put16(out, 1);
        put16(out, uint32_t(bits));
        put32(out, compression);
        for (int i = 0; i < 5; ++i) put32(out, 0);
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

TEST_F(BmpVariantTest, EightBitPaletteBottomUp) {
    std::vector<uint8_t> palette;
    put32(palette, 0x00112233);
    put32(palette, 0x00445566);
    std::vector<uint8_t> bytes = headers(3, 2, 8, 0, 40, palette);
    for (uint8_t index : {1, 0, 1, 0, /* bottom row, padded */ 0, 1, 0, 0}) bytes.push_back(index);
    Image image = read("p8.bmp", bytes);
    ASSERT_EQ(image.width, 3);
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFF112233, 0xFF445566, 0xFF112233, 0xFF445566,
                                                   0xFF112233, 0xFF445566}));
}

TEST_F(BmpVariantTest, OneBitPalette) {
    std::vector<uint8_t> palette;
    put32(palette, 0x00000000);
    put32(palette, 0x00FFFFFF);
    std::vector<uint8_t> bytes = headers(10, 1, 1, 0, 40, palette);
    for (uint8_t b : {0b10100000, 0b01000000, 0, 0}) bytes.push_back(b);
    Image image = read("p1.bmp", bytes);
    ASSERT_EQ(image.width, 10);
    EXPECT_EQ(image.pixels[0], 0xFFFFFFFFu);
    EXPECT_EQ(image.pixels[1], 0xFF000000u);
    EXPECT_EQ(image.pixels[2], 0xFFFFFFFFu);
    EXPECT_EQ(image.pixels[9], 0xFFFFFFFFu);
}

TEST_F(BmpVariantTest, ThirtyTwoBitFieldsTopDownWithAlpha) {
    std::vector<uint8_t> masks;  // a V4-sized header carries the masks itself
    std::vector<uint8_t> bytes = headers(2, -1, 32, 3, 108, masks);
    const size_t masksAt = 14 + 40;
    const uint32_t fields[] = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};  // R G B A
    for (int i = 0; i < 4; ++i)
        for (int b = 0; b < 4; ++b) bytes[masksAt + i * 4 + b] = uint8_t(fields[i] >> (8 * b));
    put32(bytes, 0x80332211);  // A=0x80 B=0x33 G=0x22 R=0x11
    put32(bytes, 0xFF000000);
    Image image = read("f32.bmp", bytes);
    ASSERT_EQ(image.width, 2);
    EXPECT_EQ(image.pixels[0], 0x80112233u);
    EXPECT_EQ(image.pixels[1], 0xFF000000u);
}

TEST_F(BmpVariantTest, SixteenBitFiveFiveFive) {
    std::vector<uint8_t> bytes = headers(2, 1, 16, 0, 40, {});
    put16(bytes, 0x7C00);  // full red
    put16(bytes, 0x001F);  // full blue
    Image image = read("p16.bmp", bytes);
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFFFF0000, 0xFF0000FF}));
}

TEST_F(BmpVariantTest, UnsupportedVariantsSayNotImplemented) {
    std::string log = logOf([&] {
        read("rle.bmp", headers(2, 2, 8, 1, 40, std::vector<uint8_t>(16, 0)), E_NOTIMPL);
        read("os2.bmp", headers(2, 2, 24, 0, 12, std::vector<uint8_t>(16, 0)), E_NOTIMPL);
    });
    EXPECT_NE(log.find("unsupported BMP variant: compressed bitmap"), std::string::npos) << log;
    EXPECT_NE(log.find("unsupported BMP variant: OS/2"), std::string::npos) << log;
}

TEST_F(BmpVariantTest, TruncatedPixelsAreRefused) {
    std::vector<uint8_t> bytes = headers(4, 4, 24, 0, 40, {});
    bytes.resize(bytes.size() + 10);
    read("short.bmp", bytes, E_FAIL);
}

}  // namespace
}  // namespace pelmora::imaging
