#include "platform/imaging/ImageFile.h"

#include "core/Diagnostics.h"
#include "platform/imaging/ImageCodecs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelmora::imaging {

namespace {

constexpr unsigned char kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr unsigned char kBmpSignature[] = {'B', 'M'};
constexpr int kMinJpegQuality = 1;
constexpr int kMaxJpegQuality = 100;

HRESULT fail(HRESULT status, const char* action, const char* path, const std::string& reason) {
    logFormat("Pelmora imaging: cannot %s '%s': %s\n", action, path ? path : "(null)",
              reason.c_str());
    return status;
}

// Opens the file without blocking (a FIFO without a reader or a writer would
// block for ever) and accepts only a regular one. Writing creates it 0644
// (before the umask) whatever the format: some encoders would make it 0600.
bool regularFile(const char* path, bool forWriting, std::string* reason) {
    const int flags = (forWriting ? O_WRONLY | O_CREAT : O_RDONLY) | O_NONBLOCK | O_CLOEXEC;
    const int fd = open(path, flags, 0644);
    if (fd < 0) {
        *reason = errno == ENXIO ? "not a regular file" : systemReason();
        return false;
    }
    struct stat info {};
    const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    close(fd);
    if (!regular) *reason = "not a regular file";
    return regular;
}

bool startsWith(const unsigned char* head, size_t length, const unsigned char* signature,
                size_t signatureLength) {
    return length >= signatureLength && std::memcmp(head, signature, signatureLength) == 0;
}

// Opaque copy of an image, for writers that would otherwise keep its alpha.
Image opaqueCopy(const ImageView& image) {
    constexpr uint32_t kOpaque = 0xFF000000u;
    Image copy{image.width, image.height, {}};
    copy.pixels.resize(size_t(image.width) * size_t(image.height));
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            copy.pixels[size_t(y) * image.width + x] = image.row(y)[x] | kOpaque;
    return copy;
}

HRESULT writeFormat(const char* path, ImageFormat format, const ImageView& image,
                    const WriteOptions& options, std::string* reason) {
    switch (format) {
        case ImageFormat::Png:
            return writePng(path, image, reason);
        case ImageFormat::Jpeg:
            return writeJpeg(path, image, options.jpegQuality, reason);
        case ImageFormat::Bmp:
            return writeBmp(path, image, reason);
        case ImageFormat::Gif:
            return writeGif(path, image, reason);
        case ImageFormat::Tiff:
            return writeTiff(path, image, reason);
    }
    *reason = "unknown image format";
    return E_INVALIDARG;
}

bool formatKeepsAlpha(ImageFormat format) {
    return format == ImageFormat::Png || format == ImageFormat::Tiff;
}

}  // namespace

std::string systemReason() { return std::strerror(errno); }

const char* formatName(ImageFormat format) {
    switch (format) {
        case ImageFormat::Png:
            return "PNG";
        case ImageFormat::Jpeg:
            return "JPEG";
        case ImageFormat::Bmp:
            return "BMP";
        case ImageFormat::Gif:
            return "GIF";
        case ImageFormat::Tiff:
            return "TIFF";
    }
    return "unknown";
}

HRESULT readImage(const char* path, Image* image) {
    if (!path || !image) return fail(E_INVALIDARG, "read", path, "null argument");
    std::string refusal;
    if (!regularFile(path, false, &refusal)) return fail(E_FAIL, "read", path, refusal);
    FILE* file = std::fopen(path, "rb");
    if (!file) return fail(E_FAIL, "read", path, systemReason());
    unsigned char head[sizeof kPngSignature] = {};
    size_t length = std::fread(head, 1, sizeof head, file);
    std::fclose(file);

    std::string reason;
    HRESULT status;
    try {
        if (startsWith(head, length, kPngSignature, sizeof kPngSignature))
            status = readPng(path, image, &reason);
        else if (startsWith(head, length, kBmpSignature, sizeof kBmpSignature))
            status = readBmp(path, image, &reason);
        else
            status = E_FAIL, reason = "not a PNG or BMP file";
    } catch (const std::bad_alloc&) {
        status = E_OUTOFMEMORY, reason = "out of memory";
    }
    return FAILED(status) ? fail(status, "read", path, reason) : S_OK;
}

HRESULT readBmpMemory(const uint8_t* bytes, size_t size, const char* name, Image* image) {
    if (!bytes || !image) return fail(E_INVALIDARG, "read", name, "null argument");
    std::string reason;
    HRESULT status;
    try {
        status = readBmpBytes(std::vector<uint8_t>(bytes, bytes + size), image, &reason);
    } catch (const std::bad_alloc&) {
        status = E_OUTOFMEMORY, reason = "out of memory";
    }
    return FAILED(status) ? fail(status, "read", name, reason) : S_OK;
}

HRESULT writeImage(const char* path, ImageFormat format, const ImageView& image,
                   const WriteOptions& options) {
    const char* action = "write image";
    if (!path) return fail(E_INVALIDARG, action, path, "null path");
    if (!image.valid() || image.width > kMaxImageDimension || image.height > kMaxImageDimension)
        return fail(E_INVALIDARG, action, path, "invalid image");
    if (format == ImageFormat::Jpeg &&
        (options.jpegQuality < kMinJpegQuality || options.jpegQuality > kMaxJpegQuality))
        return fail(E_INVALIDARG, action, path, "JPEG quality outside 1..100");

    const std::string writing = std::string("write ") + formatName(format) + " file";
    std::string reason;
    if (!regularFile(path, true, &reason)) return fail(E_FAIL, writing.c_str(), path, reason);
    HRESULT status;
    try {
        if (!options.keepAlpha && formatKeepsAlpha(format)) {
            Image opaque = opaqueCopy(image);
            status = writeFormat(path, format, opaque.view(), options, &reason);
        } else {
            status = writeFormat(path, format, image, options, &reason);
        }
    } catch (const std::bad_alloc&) {
        status = E_OUTOFMEMORY, reason = "out of memory";
    }
    if (FAILED(status)) return fail(status, writing.c_str(), path, reason);
    return S_OK;
}

}  // namespace pelmora::imaging
