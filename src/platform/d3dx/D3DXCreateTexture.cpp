// Texture requests fitted to the device: sizes, levels and a format it offers.
#include "core/Diagnostics.h"
#include "platform/com/ComPtr.h"
#include "platform/d3dx/D3DXFormatChoice.h"
#include "platform/d3dx/d3dx9tex.h"

#include <algorithm>

namespace {

// Texture capability bits the device may report, with the platform's values.
constexpr DWORD kTextureCapsPow2 = 0x00000002;
constexpr DWORD kTextureCapsSquareOnly = 0x00000020;
constexpr DWORD kTextureCapsNonPow2Conditional = 0x00000100;

constexpr UINT kDefaultSize = 256;

UINT nextPowerOfTwo(UINT value) {
    UINT p = 1;
    while (p < value) p <<= 1;
    return p;
}

UINT fullChain(UINT width, UINT height) {
    UINT levels = 1;
    for (UINT side = std::max(width, height); side > 1; side >>= 1) ++levels;
    return levels;
}

void fitSize(const D3DCAPS9& caps, UINT* width, UINT* height) {
    if (*width == 0 || *width == D3DX_DEFAULT) *width = kDefaultSize;
    if (*height == 0 || *height == D3DX_DEFAULT) *height = kDefaultSize;
    const bool pow2 = (caps.TextureCaps & kTextureCapsPow2) && !(caps.TextureCaps & kTextureCapsNonPow2Conditional);
    if (pow2) {
        *width = nextPowerOfTwo(*width);
        *height = nextPowerOfTwo(*height);
    }
    if (caps.TextureCaps & kTextureCapsSquareOnly) *width = *height = std::max(*width, *height);
    if (caps.MaxTextureWidth) *width = std::min<UINT>(*width, caps.MaxTextureWidth);
    if (caps.MaxTextureHeight) *height = std::min<UINT>(*height, caps.MaxTextureHeight);
}

HRESULT fitFormat(IDirect3DDevice9* device, const D3DCAPS9& caps, DWORD usage, D3DFORMAT* format) {
    D3DDISPLAYMODE mode{};
    PELMORA_RETURN_IF_FAILED(device->GetDisplayMode(0, &mode));
    pelmora::ComPtr<IDirect3D9> direct3d;
    PELMORA_RETURN_IF_FAILED(device->GetDirect3D(direct3d.put()));
    // A device that answers without an object cannot say which formats it has.
    if (!direct3d) return PELMORA_TRACE_FAILED(D3DERR_INVALIDCALL);
    const D3DFORMAT wanted = *format == D3DFMT_UNKNOWN ? D3DFMT_A8R8G8B8 : *format;
    const auto offered = [&](D3DFORMAT f) {
        return SUCCEEDED(direct3d->CheckDeviceFormat(caps.AdapterOrdinal, caps.DeviceType, mode.Format, usage,
                                                     D3DRTYPE_TEXTURE, f));
    };
    const D3DFORMAT chosen = pelmora::d3dx::nearestFormat(wanted, offered);
    if (chosen == D3DFMT_UNKNOWN) {
        pelmora::logFormat("D3DX: no texture format on this device can stand in for format %u\n", unsigned(wanted));
        return D3DERR_NOTAVAILABLE;
    }
    *format = chosen;
    return D3D_OK;
}

}  // namespace

HRESULT D3DXCheckTextureRequirements(IDirect3DDevice9* device, UINT* width, UINT* height, UINT* levels,
                                     DWORD usage, D3DFORMAT* format, D3DPOOL /*pool*/) {
    if (!device) {
        pelmora::logMessage("D3DXCheckTextureRequirements: no device\n");
        return D3DERR_INVALIDCALL;
    }
    D3DCAPS9 caps{};
    PELMORA_RETURN_IF_FAILED(device->GetDeviceCaps(&caps));
    UINT w = width ? *width : D3DX_DEFAULT, h = height ? *height : D3DX_DEFAULT;
    fitSize(caps, &w, &h);
    if (format) PELMORA_RETURN_IF_FAILED(fitFormat(device, caps, usage, format));
    if (width) *width = w;
    if (height) *height = h;
    if (levels) {
        const UINT chain = fullChain(w, h);
        if (*levels == 0 || *levels == D3DX_DEFAULT || *levels > chain) *levels = chain;
    }
    return D3D_OK;
}

HRESULT D3DXCreateTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture) {
    if (!device || !texture) {
        pelmora::logMessage("D3DXCreateTexture: needs a device and a place for the texture\n");
        return D3DERR_INVALIDCALL;
    }
    *texture = nullptr;
    PELMORA_RETURN_IF_FAILED(D3DXCheckTextureRequirements(device, &width, &height, &levels, usage, &format, pool));
    PELMORA_RETURN_IF_FAILED(device->CreateTexture(width, height, levels, usage, format, pool, texture, nullptr));
    return D3D_OK;
}
