// Copies between surfaces: StretchRect between surfaces in video memory,
// UpdateSurface from system memory into video memory, GetRenderTargetData
// from a render target into system memory.
#pragma once

#include "platform/d3d9/d3d9.h"

namespace pelmora::d3d9gl {

class GLDevice;
class GLSurface;

class SurfaceTransfers {
public:
    explicit SurfaceTransfers(GLDevice& device) : device_(device) {}

    HRESULT stretch(IDirect3DSurface9* source, const RECT* sourceRect, IDirect3DSurface9* destination,
                    const RECT* destinationRect, D3DTEXTUREFILTERTYPE filter);
    HRESULT update(IDirect3DSurface9* source, const RECT* sourceRect, IDirect3DSurface9* destination,
                   const POINT* destinationPoint);
    HRESULT renderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destination);

private:
    GLSurface* surfaceOf(IDirect3DSurface9* surface) const;

    GLDevice& device_;
};

}  // namespace pelmora::d3d9gl
