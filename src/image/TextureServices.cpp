#include "image/TextureServices.h"

#include "image/StagingColor.h"
#include "platform/win/DeviceContext.h"

#include <algorithm>
#include <cstring>

namespace pelmora {
namespace {

constexpr D3DFORMAT kFallbackFormat = D3DFMT_A8R8G8B8;
constexpr D3DCOLOR kTransparentBlack = 0x00000000u;

HRESULT surfaceSize(IDirect3DSurface9* surface, D3DSURFACE_DESC* desc) {
    return surface ? surface->GetDesc(desc) : D3DERR_INVALIDCALL;
}

// The source's pixels as 0xAARRGGBB, keyed, into rows of the target's context.
void unpackKeyed(const D3DLOCKED_RECT& source, D3DCOLOR colorKey, uint32_t* target, int stride,
                 int width, int height) {
    for (int y = 0; y < height; ++y) {
        const auto* in = static_cast<const uint8_t*>(source.pBits) + size_t(y) * size_t(source.Pitch);
        uint32_t* out = target + size_t(y) * size_t(stride);
        for (int x = 0; x < width; ++x) {
            uint16_t packed = 0;
            std::memcpy(&packed, in + size_t(x) * sizeof packed, sizeof packed);
            const uint32_t argb = fromR5G6B5(packed);
            out[x] = argb == colorKey ? kTransparentBlack : argb;
        }
    }
}

}  // namespace

HRESULT createManagedTexture(IDirect3DDevice9* device, UINT size, D3DFORMAT format,
                             IDirect3DTexture9** texture) {
    constexpr UINT kFullChain = 0;
    HRESULT hr = device->CreateTexture(size, size, kFullChain, 0, format, D3DPOOL_MANAGED, texture,
                                       nullptr);
    if (hr == D3DERR_NOTAVAILABLE && format != kFallbackFormat)
        hr = device->CreateTexture(size, size, kFullChain, 0, kFallbackFormat, D3DPOOL_MANAGED,
                                   texture, nullptr);
    return hr;
}

// The target is written through its device context, which takes 0xAARRGGBB
// and stores it in whatever format the target has.
HRESULT loadKeyedSurface(IDirect3DSurface9* target, IDirect3DSurface9* source, D3DCOLOR colorKey) {
    D3DSURFACE_DESC sourceDesc{}, targetDesc{};
    HRESULT hr = surfaceSize(source, &sourceDesc);
    if (SUCCEEDED(hr)) hr = surfaceSize(target, &targetDesc);
    if (FAILED(hr)) return hr;
    if (sourceDesc.Format != D3DFMT_R5G6B5) return D3DERR_INVALIDCALL;
    D3DLOCKED_RECT locked{};
    hr = source->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    if (FAILED(hr)) return hr;
    HDC dc = 0;
    hr = target->GetDC(&dc);
    uint32_t* pixels = nullptr;
    int width = 0, height = 0, stride = 0;
    if (SUCCEEDED(hr) && win::getDCPixels(dc, &pixels, &width, &height, &stride))
        unpackKeyed(locked, colorKey, pixels, stride, std::min(width, int(sourceDesc.Width)),
                    std::min(height, int(sourceDesc.Height)));
    if (SUCCEEDED(hr)) hr = target->ReleaseDC(dc);
    source->UnlockRect();
    return hr;
}

}  // namespace pelmora
