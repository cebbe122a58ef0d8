// Writes a rectangle of a surface to an image file of a requested size. The
// pixels go losslessly through a temporary PNG file first, are scaled to
// the size asked for and encoded in the format the file name's extension
// names.
#pragma once

#include "platform/d3d9/d3d9.h"
#include "platform/imaging/ImageFile.h"

#include <string>

namespace pelmora {

class SnapshotWriter {
public:
    // The format named by the text from the file name's last '.' on, compared
    // without regard to case: .bmp, .png, .gif, .tif or .tiff; JPEG for any
    // other extension or none.
    static imaging::ImageFormat formatFor(const std::string& fileName);

    SnapshotWriter(std::string fileName, int width, int height);

    // E_INVALIDARG for an empty file name or a size outside 1..32768; the
    // saving status of the surface when that fails; the failing status of
    // the temporary file, reading, scaling or writing otherwise. Each
    // failure writes a log line. The temporary file never outlives the call.
    HRESULT write(IDirect3DSurface9* surface, const RECT& area) const;

private:
    HRESULT checkRequest() const;
    HRESULT scaleAndEncode(const std::string& losslessCopy) const;

    std::string fileName_;
    int width_;
    int height_;
};

}  // namespace pelmora
