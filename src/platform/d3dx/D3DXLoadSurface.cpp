// Loading a surface from another surface or from memory: read as 0xAARRGGBB,
// key, scale, write back in the destination's format.
#include "core/Diagnostics.h"
#include "platform/d3dx/D3DXImageFilter.h"
#include "platform/d3dx/D3DXSurfacePixels.h"
#include "platform/d3dx/d3dx9tex.h"

namespace {

using namespace pelmora::d3dx;
namespace imaging = pelmora::imaging;

HRESULT refuse(const char* call, const char* what) {
    pelmora::logFormat("%s: %s\n", call, what);
    return D3DERR_INVALIDCALL;
}

// The keyed, scaled source written into the destination rectangle.
HRESULT loadImage(const char* call, IDirect3DSurface9* dest, const RECT* destRect, imaging::Image source,
                  DWORD filter, D3DCOLOR colourKey) {
    ImageFilter chosen{};
    if (!parseFilter(filter, ImageFilter::Triangle, &chosen)) return refuse(call, "unknown filter");
    RECT bounds{};
    PELMORA_RETURN_IF_FAILED(surfaceBounds(dest, &bounds));
    const RECT target = destRect ? *destRect : bounds;
    if (!rectInside(target, bounds)) return refuse(call, "destination rectangle outside the surface");
    applyColourKey(&source, colourKey);
    const imaging::Image scaled = scaleImage(source.view(), int(target.right - target.left),
                                             int(target.bottom - target.top), chosen);
    PELMORA_RETURN_IF_FAILED(writeSurface(dest, target, scaled.view()));
    return D3D_OK;
}

}  // namespace

HRESULT D3DXLoadSurfaceFromSurface(IDirect3DSurface9* dest, const PALETTEENTRY* destPalette, const RECT* destRect,
                                   IDirect3DSurface9* source, const PALETTEENTRY* sourcePalette,
                                   const RECT* sourceRect, DWORD filter, D3DCOLOR colourKey) {
    constexpr const char* kCall = "D3DXLoadSurfaceFromSurface";
    if (!dest || !source) return refuse(kCall, "needs two surfaces");
    if (destPalette || sourcePalette) return refuse(kCall, "palettes are not offered");
    RECT bounds{};
    PELMORA_RETURN_IF_FAILED(surfaceBounds(source, &bounds));
    const RECT from = sourceRect ? *sourceRect : bounds;
    if (!rectInside(from, bounds)) return refuse(kCall, "source rectangle outside the surface");
    imaging::Image image;
    PELMORA_RETURN_IF_FAILED(readSurface(source, from, &image));
    return loadImage(kCall, dest, destRect, std::move(image), filter, colourKey);
}

HRESULT D3DXLoadSurfaceFromMemory(IDirect3DSurface9* dest, const PALETTEENTRY* destPalette, const RECT* destRect,
                                  const void* memory, D3DFORMAT format, UINT pitch,
                                  const PALETTEENTRY* sourcePalette, const RECT* sourceRect, DWORD filter,
                                  D3DCOLOR colourKey) {
    constexpr const char* kCall = "D3DXLoadSurfaceFromMemory";
    if (!dest || !memory || !sourceRect) return refuse(kCall, "needs a surface, pixels and their rectangle");
    if (destPalette || sourcePalette) return refuse(kCall, "palettes are not offered");
    const RECT& from = *sourceRect;
    if (from.left < 0 || from.top < 0 || from.right <= from.left || from.bottom <= from.top)
        return refuse(kCall, "empty or negative source rectangle");
    imaging::Image image;
    PELMORA_RETURN_IF_FAILED(convertToArgb(memory, format, pitch, from, &image));
    return loadImage(kCall, dest, destRect, std::move(image), filter, colourKey);
}
