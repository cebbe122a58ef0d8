// Image files through one small interface: PNG and BMP read, PNG, JPEG, BMP,
// GIF and TIFF written. Pixels are 0xAARRGGBB, rows top-down. A failure
// returns a failing status and writes one log line that names the file and
// the reason.
#pragma once

#include <pelmora/automation.h>

#include "platform/imaging/ImageView.h"

namespace pelmora::imaging {

enum class ImageFormat {
    Png,
    Jpeg,
    Bmp,
    Gif,
    Tiff,
};

// Images wider or taller than this are refused, on reading and writing.
inline constexpr int kMaxImageDimension = 32768;

struct WriteOptions {
    static constexpr int kDefaultJpegQuality = 75;
    int jpegQuality = kDefaultJpegQuality;  // 1..100
    // False writes every pixel opaque (for images whose alpha means nothing,
    // such as a back buffer without alpha). BMP, JPEG and GIF never keep alpha.
    bool keepAlpha = true;
};

// Reads a PNG or BMP file, recognised by its content. E_INVALIDARG for a null
// argument, E_NOTIMPL for a BMP variant that is not supported (compressed,
// OS/2 headers), E_OUTOFMEMORY when the pixels cannot be held, E_FAIL for a
// file that cannot be read or is not a valid image.
HRESULT readImage(const char* path, Image* image);

// Reads a BMP held in memory (an embedded resource); name is for the log
// line. Statuses as for readImage.
HRESULT readBmpMemory(const uint8_t* bytes, size_t size, const char* name, Image* image);

// Writes the image in the given format. E_INVALIDARG for a null path, an
// invalid image or a JPEG quality outside 1..100; E_FAIL when the file cannot
// be written.
HRESULT writeImage(const char* path, ImageFormat format, const ImageView& image,
                   const WriteOptions& options = WriteOptions());

const char* formatName(ImageFormat format);

}  // namespace pelmora::imaging
