#include "view/SnapshotWriter.h"

#include "core/Diagnostics.h"
#include "platform/d3dx/D3DXSurfacePixels.h"
#include "platform/imaging/Resampler.h"

#include <strings.h>

#include <utility>

namespace pelmora {

namespace {

struct ExtensionFormat {
    const char* extension;
    imaging::ImageFormat format;
};

constexpr ExtensionFormat kExtensionFormats[] = {
    {".bmp", imaging::ImageFormat::Bmp},  {".png", imaging::ImageFormat::Png},
    {".gif", imaging::ImageFormat::Gif},  {".tiff", imaging::ImageFormat::Tiff},
    {".tif", imaging::ImageFormat::Tiff},
};

}  // namespace

imaging::ImageFormat SnapshotWriter::formatFor(const std::string& fileName) {
    const size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos) return imaging::ImageFormat::Jpeg;
    const char* extension = fileName.c_str() + dot;
    for (const ExtensionFormat& entry : kExtensionFormats)
        if (strcasecmp(extension, entry.extension) == 0) return entry.format;
    return imaging::ImageFormat::Jpeg;
}

SnapshotWriter::SnapshotWriter(std::string fileName, int width, int height)
    : fileName_(std::move(fileName)), width_(width), height_(height) {}

HRESULT SnapshotWriter::checkRequest() const {
    // The name goes to the system as a C string: a NUL would cut it short
    // and name another file, in another format.
    if (fileName_.find('\0') != std::string::npos) {
        logFormat("DXViewport: a snapshot's file name holds a NUL character after '%s'\n", fileName_.c_str());
        return PELMORA_TRACE_FAILED(E_INVALIDARG);
    }
    const auto inRange = [](int size) { return size >= 1 && size <= imaging::kMaxImageDimension; };
    if (!fileName_.empty() && inRange(width_) && inRange(height_)) return S_OK;
    logFormat(
        "DXViewport: a snapshot needs a file name and a size of 1 to %d pixels a side, "
        "not '%s' at %d x %d\n",
        imaging::kMaxImageDimension, fileName_.c_str(), width_, height_);
    return PELMORA_TRACE_FAILED(E_INVALIDARG);
}

HRESULT SnapshotWriter::write(IDirect3DSurface9* surface, const RECT& area) const {
    PELMORA_RETURN_IF_FAILED(checkRequest());
    RECT bounds{};
    PELMORA_RETURN_IF_FAILED(d3dx::surfaceBounds(surface, &bounds));
    if (!d3dx::rectInside(area, bounds)) {
        logMessage("DXViewport: the snapshot's area lies outside the back buffer\n");
        return PELMORA_TRACE_FAILED(D3DERR_INVALIDCALL);
    }
    imaging::Image pixels;
    PELMORA_RETURN_IF_FAILED(d3dx::readSurface(surface, area, &pixels));
    return encode(pixels);
}

// The read-back pixels go to the encoder as they are at their own size, and
// through one resampling otherwise.
HRESULT SnapshotWriter::encode(const imaging::Image& pixels) const {
    const imaging::ImageFormat format = formatFor(fileName_);
    if (pixels.width == width_ && pixels.height == height_) {
        PELMORA_RETURN_IF_FAILED(imaging::writeImage(fileName_.c_str(), format, pixels.view()));
        return S_OK;
    }
    const imaging::Image scaled = imaging::resample(pixels.view(), width_, height_);
    PELMORA_RETURN_IF_FAILED(imaging::writeImage(fileName_.c_str(), format, scaled.view()));
    return S_OK;
}

}  // namespace pelmora
