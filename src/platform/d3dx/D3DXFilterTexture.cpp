// Mipmap levels filled from the level above, one after another.
#include "core/Diagnostics.h"
#include "platform/com/ComPtr.h"
#include "platform/d3dx/d3dx9tex.h"

HRESULT D3DXFilterTexture(IDirect3DBaseTexture9* base, const PALETTEENTRY* palette, UINT sourceLevel,
                          DWORD filter) {
    if (!base || palette || base->GetType() != D3DRTYPE_TEXTURE) {
        pelmora::logMessage("D3DXFilterTexture: needs a 2-D texture and no palette\n");
        return D3DERR_INVALIDCALL;
    }
    if (sourceLevel == D3DX_DEFAULT) sourceLevel = 0;
    if (filter == D3DX_DEFAULT) filter = D3DX_FILTER_BOX;
    auto* texture = static_cast<IDirect3DTexture9*>(base);
    const UINT levels = texture->GetLevelCount();
    if (sourceLevel >= levels) {
        pelmora::logFormat("D3DXFilterTexture: no level %u\n", sourceLevel);
        return D3DERR_INVALIDCALL;
    }
    using pelmora::ComPtr;
    ComPtr<IDirect3DSurface9> above;
    PELMORA_RETURN_IF_FAILED(texture->GetSurfaceLevel(sourceLevel, above.put()));
    for (UINT level = sourceLevel + 1; level < levels; ++level) {
        ComPtr<IDirect3DSurface9> below;
        PELMORA_RETURN_IF_FAILED(texture->GetSurfaceLevel(level, below.put()));
        PELMORA_RETURN_IF_FAILED(
            D3DXLoadSurfaceFromSurface(below.get(), nullptr, nullptr, above.get(), nullptr, nullptr, filter, 0));
        above = std::move(below);
    }
    return D3D_OK;
}
