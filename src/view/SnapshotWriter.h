// Writes a rectangle of a surface to an image file of a requested size: the
// pixels read back are encoded as they are when the size is the
// rectangle's, else scaled once to the size asked for, in the format the
// file name's extension names.
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

    // E_INVALIDARG for an empty file name, one holding a NUL or a size
    // outside 1..32768; E_FAIL for a name that is there but is no regular
    // file (a FIFO, a device, a folder);
    // D3DERR_INVALIDCALL for an area outside the surface; the failing
    // status of reading the surface or writing the file otherwise. Each
    // failure writes a log line.
    HRESULT write(IDirect3DSurface9* surface, const RECT& area) const;

private:
    HRESULT checkRequest() const;
    HRESULT encode(const imaging::Image& pixels) const;

    std::string fileName_;
    int width_;
    int height_;
};

}  // namespace pelmora
