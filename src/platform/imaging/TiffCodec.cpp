// TIFF through libtiff: 8-bit RGBA with unassociated alpha, LZW-compressed.
// libtiff's messages are collected into the failure reason rather than
// printed.
#include "platform/imaging/ImageCodecs.h"

#include <cstdarg>
#include <cstdio>
#include <memory>

#include <tiffio.h>

namespace pelmora::imaging {

namespace {

constexpr int kSamplesPerPixel = 4;
constexpr int kBitsPerSample = 8;

int collectMessage(TIFF*, void* userData, const char* module, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    std::string* reason = static_cast<std::string*>(userData);
    if (reason->empty()) *reason = std::string(module ? module : "libtiff") + ": " + text;
    return 1;
}

int ignoreMessage(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OptionsDeleter {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

TIFF* openForWriting(const char* path, std::string* reason) {
    std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(TIFFOpenOptionsAlloc());
    if (!options) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), collectMessage, reason);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), ignoreMessage, nullptr);
    return TIFFOpenExt(path, "w", options.get());
}

bool writeFields(TIFF* tiff, const ImageView& image) {
    const uint16_t extraSamples[] = {EXTRASAMPLE_UNASSALPHA};
    return TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(image.width)) &&
           TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(image.height)) &&
           TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, kSamplesPerPixel) &&
           TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, kBitsPerSample) &&
           TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extraSamples) &&
           TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
           TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
           TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW) &&
           TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
           TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
}

bool writeRows(TIFF* tiff, const ImageView& image) {
    std::vector<uint8_t> line(size_t(image.width) * kSamplesPerPixel);
    for (int y = 0; y < image.height; ++y) {
        const uint32_t* row = image.row(y);
        for (int x = 0; x < image.width; ++x) {
            uint8_t* rgba = &line[size_t(x) * kSamplesPerPixel];
            rgba[0] = uint8_t(row[x] >> 16);
            rgba[1] = uint8_t(row[x] >> 8);
            rgba[2] = uint8_t(row[x]);
            rgba[3] = uint8_t(row[x] >> 24);
        }
        if (TIFFWriteScanline(tiff, line.data(), uint32_t(y), 0) < 0) return false;
    }
    return true;
}

}  // namespace

HRESULT writeTiff(const char* path, const ImageView& image, std::string* reason) {
    std::string message;
    TIFF* tiff = openForWriting(path, &message);
    if (!tiff) {
        *reason = message.empty() ? systemReason() : message;
        return E_FAIL;
    }
    bool written = writeFields(tiff, image) && writeRows(tiff, image);
    written = TIFFFlush(tiff) && written;
    TIFFClose(tiff);
    if (!written) {
        *reason = message.empty() ? "write failed" : message;
        return E_FAIL;
    }
    return S_OK;
}

}  // namespace pelmora::imaging
