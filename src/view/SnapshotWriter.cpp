#include "view/SnapshotWriter.h"

#include "core/Diagnostics.h"
#include "platform/d3dx/d3dx9tex.h"
#include "platform/imaging/Resampler.h"

#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
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

constexpr const char* kTemporaryPrefix = "BMP";
constexpr const char* kFallbackTemporaryFolder = "/tmp";

// The folder for temporary files: $TMPDIR when set, else /tmp.
std::string temporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : kFallbackTemporaryFolder;
}

// A new, empty, uniquely named file in the temporary folder, deleted when
// this goes out of scope.
class TemporaryFile {
public:
    TemporaryFile() {
        std::string pattern = temporaryFolder() + "/" + kTemporaryPrefix + "XXXXXX";
        const int descriptor = mkstemp(pattern.data());
        if (descriptor < 0) {
            logFormat("DXViewport: cannot make a temporary file in '%s': %s\n",
                      temporaryFolder().c_str(), std::strerror(errno));
            return;
        }
        close(descriptor);
        path_ = std::move(pattern);
    }
    ~TemporaryFile() {
        if (!path_.empty()) unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool made() const { return !path_.empty(); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
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
    const TemporaryFile losslessCopy;
    if (!losslessCopy.made()) return PELMORA_TRACE_FAILED(E_FAIL);
    PELMORA_RETURN_IF_FAILED(
        D3DXSaveSurfaceToFileA(losslessCopy.path().c_str(), D3DXIFF_PNG, surface, nullptr, &area));
    return scaleAndEncode(losslessCopy.path());
}

HRESULT SnapshotWriter::scaleAndEncode(const std::string& losslessCopy) const {
    imaging::Image saved;
    PELMORA_RETURN_IF_FAILED(imaging::readImage(losslessCopy.c_str(), &saved));
    const imaging::Image scaled = imaging::resample(saved.view(), width_, height_);
    PELMORA_RETURN_IF_FAILED(
        imaging::writeImage(fileName_.c_str(), formatFor(fileName_), scaled.view()));
    return S_OK;
}

}  // namespace pelmora
