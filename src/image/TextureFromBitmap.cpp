#include "image/TextureFromBitmap.h"

#include "core/Diagnostics.h"
#include "image/OwnedBitmap.h"
#include "image/SelectedBitmap.h"
#include "image/StagingColor.h"
#include "image/StripPieces.h"
#include "platform/d3dx/d3dx9tex.h"

namespace pelmora {
namespace {

// Hosts know these textures by the visual class that owns them, so failures
// are traced under its name.
constexpr const char* kTraceSource = "DXTextureMesh.cpp";

HRESULT trace(HRESULT hr, int line) { return traceFailedHresult(hr, kTraceSource, line); }

// The square in 32-bit GDI memory: black, with the pieces copied one to one.
// Drawing happens here rather than in the staging surface's own context,
// which rounds colours into 5-6-5; the staged colours must keep the top
// bits, as the colour key depends on exactly which pixels become black.
OwnedBitmap drawSquare(win::HBITMAP bitmap, const RECT& source, const TexturePlan& plan) {
    const int size = int(plan.textureSize);
    SelectedBitmap from(bitmap);
    OwnedBitmap square(win::createCompatibleBitmap(from.dc(), size, size));
    if (!from.ok() || !square) return {};
    SelectedBitmap to(square.get());
    if (!to.ok()) return {};
    win::patBlt(to.dc(), 0, 0, size, size, win::BLACKNESS);
    for (const StripPiece& piece : stripPieces(plan, source))
        win::stretchBlt(to.dc(), piece.destinationX, piece.destinationY, piece.width, piece.height,
                        from.dc(), piece.sourceX, piece.sourceY, piece.width, piece.height,
                        win::SRCCOPY);
    return square;
}

// Packs the square into the staging surface.
HRESULT stage(const OwnedBitmap& square, IDirect3DSurface9* staging) {
    const imaging::ImageView pixels = win::getBitmapImage(square.get());
    if (!pixels.valid()) return E_FAIL;
    D3DLOCKED_RECT locked{};
    const HRESULT hr = staging->LockRect(&locked, nullptr, 0);
    if (FAILED(hr)) return hr;
    packR5G6B5(pixels.pixels, pixels.stride, pixels.width, pixels.height,
               static_cast<uint8_t*>(locked.pBits), size_t(locked.Pitch));
    return staging->UnlockRect();
}

HRESULT fill(IDirect3DDevice9* device, IDirect3DTexture9* texture, win::HBITMAP bitmap,
             const RECT& source, const TexturePlan& plan) {
    ComPtr<IDirect3DSurface9> top;
    HRESULT hr = texture->GetSurfaceLevel(0, top.put());
    if (FAILED(hr)) return trace(hr, __LINE__);
    ComPtr<IDirect3DSurface9> staging;
    hr = device->CreateOffscreenPlainSurface(plan.textureSize, plan.textureSize, kStagingFormat,
                                             D3DPOOL_SYSTEMMEM, staging.put(), nullptr);
    if (FAILED(hr)) return trace(hr, __LINE__);
    // A square that cannot be drawn leaves the staging black: the texture
    // is then transparent rather than missing.
    const OwnedBitmap square = drawSquare(bitmap, source, plan);
    hr = square ? stage(square, staging.get()) : E_FAIL;
    if (FAILED(hr)) trace(hr, __LINE__);
    hr = D3DXLoadSurfaceFromSurface(top.get(), nullptr, nullptr, staging.get(), nullptr, nullptr,
                                    D3DX_FILTER_TRIANGLE, kStagingColorKey);
    return FAILED(hr) ? trace(hr, __LINE__) : S_OK;
}

}  // namespace

ComPtr<IDirect3DTexture9> createTextureFromBitmap(IDirect3DDevice9* device, win::HBITMAP bitmap,
                                                  const RECT& source, const TexturePlan& plan) {
    ComPtr<IDirect3DTexture9> texture;
    constexpr UINT kFullChain = 0;
    HRESULT hr = D3DXCreateTexture(device, plan.textureSize, plan.textureSize, kFullChain, 0,
                                   kBitmapTextureFormat, D3DPOOL_MANAGED, texture.put());
    if (SUCCEEDED(hr) && !texture) hr = E_FAIL;  // a device that says yes and hands out nothing
    if (FAILED(hr)) {
        trace(hr, __LINE__);
        return {};
    }
    if (FAILED(fill(device, texture.get(), bitmap, source, plan))) return {};
    return texture;
}

}  // namespace pelmora
