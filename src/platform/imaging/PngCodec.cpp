// PNG through libpng's simplified interface, which handles every colour type,
// bit depth and interlacing on reading and reports errors without longjmp.
#include "platform/imaging/ImageCodecs.h"
#include "platform/imaging/ImageFile.h"

#include <png.h>

#include <bit>

namespace pelmora::imaging {

namespace {

// 0xAARRGGBB words as bytes in memory.
constexpr png_uint_32 kPixelFormat =
    std::endian::native == std::endian::little ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
constexpr int kComponents = 4;

std::string messageOf(const png_image& image) { return image.message; }

}  // namespace

HRESULT readPng(const char* path, Image* result, std::string* reason) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) {
        *reason = messageOf(image);
        return E_FAIL;
    }
    if (image.width > png_uint_32(kMaxImageDimension) ||
        image.height > png_uint_32(kMaxImageDimension)) {
        png_image_free(&image);
        *reason = "image too large";
        return E_FAIL;
    }
    image.format = kPixelFormat;
    Image pixels{int(image.width), int(image.height), {}};
    pixels.pixels.resize(size_t(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.pixels.data(), 0, nullptr)) {
        *reason = messageOf(image);
        png_image_free(&image);
        return E_FAIL;
    }
    *result = std::move(pixels);
    return S_OK;
}

HRESULT writePng(const char* path, const ImageView& view, std::string* reason) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(view.width);
    image.height = png_uint_32(view.height);
    image.format = kPixelFormat;
    if (!png_image_write_to_file(&image, path, 0, view.pixels, view.stride * kComponents,
                                 nullptr)) {
        *reason = messageOf(image);
        return E_FAIL;
    }
    return S_OK;
}

}  // namespace pelmora::imaging
