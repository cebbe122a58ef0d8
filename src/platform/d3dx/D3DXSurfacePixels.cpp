#include "platform/d3dx/D3DXSurfacePixels.h"

#include "core/Diagnostics.h"
#include "platform/d3d9/PixelFormat.h"
#include "platform/com/ComPtr.h"

namespace pelmora::d3dx {
namespace {

using d3d9::PixelFormat;
using d3d9::FormatKind;

const PixelFormat* colourFormat(D3DFORMAT format) {
    const PixelFormat* info = d3d9::findPixelFormat(format);
    if (!info || info->kind != FormatKind::Colour) {
        logFormat("D3DX: surface format %u is not a colour format this library converts\n", unsigned(format));
        return nullptr;
    }
    return info;
}

LONG width(const RECT& r) { return r.right - r.left; }
LONG height(const RECT& r) { return r.bottom - r.top; }

// A system-memory surface of the same format, for the copies the device offers.
HRESULT stagingSurface(IDirect3DSurface9* like, UINT w, UINT h, ComPtr<IDirect3DSurface9>* staging) {
    D3DSURFACE_DESC desc{};
    PELMORA_RETURN_IF_FAILED(like->GetDesc(&desc));
    ComPtr<IDirect3DDevice9> device;
    PELMORA_RETURN_IF_FAILED(like->GetDevice(device.put()));
    PELMORA_RETURN_IF_FAILED(
        device->CreateOffscreenPlainSurface(w, h, desc.Format, D3DPOOL_SYSTEMMEM, staging->put(), nullptr));
    return D3D_OK;
}

HRESULT readLocked(IDirect3DSurface9* surface, const RECT& rect, imaging::Image* image) {
    D3DSURFACE_DESC desc{};
    PELMORA_RETURN_IF_FAILED(surface->GetDesc(&desc));
    D3DLOCKED_RECT locked{};
    const HRESULT hr = surface->LockRect(&locked, &rect, D3DLOCK_READONLY);
    if (FAILED(hr)) return hr;
    const RECT whole{0, 0, width(rect), height(rect)};
    const HRESULT converted = convertToArgb(locked.pBits, desc.Format, UINT(locked.Pitch), whole, image);
    surface->UnlockRect();
    return converted;
}

// A render target that cannot be locked, copied whole into system memory.
HRESULT readThroughSystemMemory(IDirect3DSurface9* surface, const RECT& rect, imaging::Image* image) {
    D3DSURFACE_DESC desc{};
    PELMORA_RETURN_IF_FAILED(surface->GetDesc(&desc));
    ComPtr<IDirect3DSurface9> staging;
    PELMORA_RETURN_IF_FAILED(stagingSurface(surface, desc.Width, desc.Height, &staging));
    ComPtr<IDirect3DDevice9> device;
    PELMORA_RETURN_IF_FAILED(surface->GetDevice(device.put()));
    PELMORA_RETURN_IF_FAILED(device->GetRenderTargetData(surface, staging.get()));
    PELMORA_RETURN_IF_FAILED(readLocked(staging.get(), rect, image));
    return D3D_OK;
}

HRESULT writeLocked(IDirect3DSurface9* surface, const RECT& rect, const imaging::ImageView& image) {
    D3DSURFACE_DESC desc{};
    PELMORA_RETURN_IF_FAILED(surface->GetDesc(&desc));
    const PixelFormat* info = colourFormat(desc.Format);
    if (!info) return D3DERR_INVALIDCALL;
    D3DLOCKED_RECT locked{};
    const HRESULT hr = surface->LockRect(&locked, &rect, 0);
    if (FAILED(hr)) return hr;
    d3d9::convertRowsFromArgb(*info, image.pixels, size_t(image.stride) * sizeof(uint32_t),
                                static_cast<uint8_t*>(locked.pBits), size_t(locked.Pitch), image.width,
                                image.height);
    surface->UnlockRect();
    return D3D_OK;
}

HRESULT writeThroughSystemMemory(IDirect3DSurface9* surface, const RECT& rect,
                                 const imaging::ImageView& image) {
    ComPtr<IDirect3DSurface9> staging;
    PELMORA_RETURN_IF_FAILED(stagingSurface(surface, UINT(width(rect)), UINT(height(rect)), &staging));
    PELMORA_RETURN_IF_FAILED(writeLocked(staging.get(), RECT{0, 0, width(rect), height(rect)}, image));
    ComPtr<IDirect3DDevice9> device;
    PELMORA_RETURN_IF_FAILED(surface->GetDevice(device.put()));
    const POINT at{rect.left, rect.top};
    PELMORA_RETURN_IF_FAILED(device->UpdateSurface(staging.get(), nullptr, surface, &at));
    return D3D_OK;
}

}  // namespace

HRESULT surfaceBounds(IDirect3DSurface9* surface, RECT* bounds) {
    D3DSURFACE_DESC desc{};
    PELMORA_RETURN_IF_FAILED(surface->GetDesc(&desc));
    *bounds = RECT{0, 0, LONG(desc.Width), LONG(desc.Height)};
    return D3D_OK;
}

bool rectInside(const RECT& rect, const RECT& bounds) {
    return rect.left >= bounds.left && rect.top >= bounds.top && rect.right <= bounds.right &&
           rect.bottom <= bounds.bottom && rect.left < rect.right && rect.top < rect.bottom;
}

HRESULT convertToArgb(const void* pixels, D3DFORMAT format, UINT pitch, const RECT& rect,
                      imaging::Image* image) {
    const PixelFormat* info = colourFormat(format);
    if (!info) return D3DERR_INVALIDCALL;
    image->width = int(width(rect));
    image->height = int(height(rect));
    image->pixels.assign(size_t(image->width) * size_t(image->height), 0);
    const auto* first = static_cast<const uint8_t*>(pixels) + size_t(rect.top) * pitch +
                        size_t(rect.left) * info->bytesPerPixel;
    d3d9::convertRowsToArgb(*info, first, pitch, image->pixels.data(),
                              size_t(image->width) * sizeof(uint32_t), image->width, image->height);
    return D3D_OK;
}

HRESULT readSurface(IDirect3DSurface9* surface, const RECT& rect, imaging::Image* image) {
    D3DSURFACE_DESC desc{};
    PELMORA_RETURN_IF_FAILED(surface->GetDesc(&desc));
    if (!colourFormat(desc.Format)) return D3DERR_INVALIDCALL;
    const HRESULT hr = readLocked(surface, rect, image);
    if (SUCCEEDED(hr) || !(desc.Usage & D3DUSAGE_RENDERTARGET)) return hr;
    return readThroughSystemMemory(surface, rect, image);
}

HRESULT writeSurface(IDirect3DSurface9* surface, const RECT& rect, const imaging::ImageView& image) {
    D3DSURFACE_DESC desc{};
    PELMORA_RETURN_IF_FAILED(surface->GetDesc(&desc));
    if (!colourFormat(desc.Format)) return D3DERR_INVALIDCALL;
    const HRESULT hr = writeLocked(surface, rect, image);
    if (SUCCEEDED(hr) || desc.Pool != D3DPOOL_DEFAULT || hr != D3DERR_INVALIDCALL) return hr;
    return writeThroughSystemMemory(surface, rect, image);
}

}  // namespace pelmora::d3dx
