#include "view/CachedImage.h"

#include "core/Diagnostics.h"

#include <algorithm>
#include <cstring>

namespace pelmora {

namespace {

constexpr BOOL kNotLockable = 0;

bool sameShape(const D3DSURFACE_DESC& a, const D3DSURFACE_DESC& b) {
    return a.Width == b.Width && a.Height == b.Height && a.Format == b.Format;
}

// Row by row, each surface with its own pitch.
HRESULT copyLockedPixels(IDirect3DSurface9* from, IDirect3DSurface9* to, UINT rows) {
    D3DLOCKED_RECT source{};
    PELMORA_RETURN_IF_FAILED(from->LockRect(&source, nullptr, D3DLOCK_READONLY));
    D3DLOCKED_RECT target{};
    HRESULT status = to->LockRect(&target, nullptr, 0);
    if (SUCCEEDED(status)) {
        const size_t rowBytes = static_cast<size_t>(std::min(source.Pitch, target.Pitch));
        for (UINT row = 0; row < rows; ++row)
            std::memcpy(static_cast<char*>(target.pBits) + size_t(row) * target.Pitch,
                        static_cast<const char*>(source.pBits) + size_t(row) * source.Pitch,
                        rowBytes);
        to->UnlockRect();
    }
    from->UnlockRect();
    return FAILED(status) ? PELMORA_TRACE_FAILED(status) : S_OK;
}

}  // namespace

void CachedImage::create(IDirect3DDevice9* device, UINT width, UINT height, D3DFORMAT format) {
    inVideoMemory_ = true;
    const HRESULT status = device->CreateRenderTarget(width, height, format, D3DMULTISAMPLE_NONE,
                                                      0, kNotLockable, surface_.put(), nullptr);
    if (status != D3DERR_OUTOFVIDEOMEMORY) return;
    inVideoMemory_ = false;
    device->CreateOffscreenPlainSurface(width, height, format, D3DPOOL_SYSTEMMEM, surface_.put(),
                                        nullptr);
}

HRESULT CachedImage::createSystemCopy(IDirect3DDevice9* device, const D3DSURFACE_DESC& like,
                                      ComPtr<IDirect3DSurface9>* copy) const {
    HRESULT status = device->CreateOffscreenPlainSurface(like.Width, like.Height, like.Format,
                                                         D3DPOOL_SYSTEMMEM, copy->put(), nullptr);
    if (SUCCEEDED(status) && !*copy) status = E_POINTER;
    return FAILED(status) ? PELMORA_TRACE_FAILED(status) : S_OK;
}

HRESULT CachedImage::ensureSystemImageLike(IDirect3DDevice9* device,
                                           const D3DSURFACE_DESC& backDesc) {
    if (surface_) {
        D3DSURFACE_DESC desc{};
        PELMORA_RETURN_IF_FAILED(surface_->GetDesc(&desc));
        if (sameShape(desc, backDesc)) return S_OK;
        surface_.reset();
    }
    return createSystemCopy(device, backDesc, &surface_);
}

HRESULT CachedImage::save(IDirect3DDevice9* device, IDirect3DSurface9* backBuffer,
                          const RECT& area) {
    PELMORA_RETURN_IF_FAILED(adoptDevice(device));
    D3DSURFACE_DESC backDesc{};
    PELMORA_RETURN_IF_FAILED(backBuffer->GetDesc(&backDesc));
    if (!surface_) inVideoMemory_ = false;
    if (inVideoMemory_) {
        PELMORA_RETURN_IF_FAILED(
            device->StretchRect(backBuffer, &area, surface_.get(), &area, D3DTEXF_NONE));
        return S_OK;
    }
    PELMORA_RETURN_IF_FAILED(ensureSystemImageLike(device, backDesc));
    PELMORA_RETURN_IF_FAILED(device->GetRenderTargetData(backBuffer, surface_.get()));
    return S_OK;
}

HRESULT CachedImage::restore(IDirect3DDevice9* device, IDirect3DSurface9* backBuffer,
                             const RECT& area) {
    if (!surface_) return S_OK;
    PELMORA_RETURN_IF_FAILED(adoptDevice(device));
    if (inVideoMemory_) {
        PELMORA_RETURN_IF_FAILED(
            device->StretchRect(surface_.get(), &area, backBuffer, &area, D3DTEXF_NONE));
        return S_OK;
    }
    const POINT origin{0, 0};
    PELMORA_RETURN_IF_FAILED(device->UpdateSurface(surface_.get(), nullptr, backBuffer, &origin));
    return S_OK;
}

HRESULT CachedImage::evict(IDirect3DDevice9* device) {
    if (!surface_) return S_OK;
    onOldDevice_ = true;
    if (!inVideoMemory_) return S_OK;
    logMessage("Evicting device from video memory\n");
    D3DSURFACE_DESC desc{};
    HRESULT status = surface_->GetDesc(&desc);
    inVideoMemory_ = false;
    ComPtr<IDirect3DSurface9> copy;
    if (SUCCEEDED(status)) status = createSystemCopy(device, desc, &copy);
    if (SUCCEEDED(status)) {
        status = device->GetRenderTargetData(surface_.get(), copy.get());
        if (FAILED(status)) PELMORA_TRACE_FAILED(status);
    }
    // Whatever happened, the video-memory image cannot outlive its device.
    surface_ = std::move(copy);
    onOldDevice_ = static_cast<bool>(surface_);
    if (FAILED(status)) {
        surface_.reset();
        return status;
    }
    evicted_ = true;
    return S_OK;
}

HRESULT CachedImage::adoptDevice(IDirect3DDevice9* device) {
    if (!surface_ || !onOldDevice_) return S_OK;
    D3DSURFACE_DESC desc{};
    PELMORA_RETURN_IF_FAILED(surface_->GetDesc(&desc));
    ComPtr<IDirect3DSurface9> copy;
    PELMORA_RETURN_IF_FAILED(createSystemCopy(device, desc, &copy));
    PELMORA_RETURN_IF_FAILED(copyLockedPixels(surface_.get(), copy.get(), desc.Height));
    surface_ = std::move(copy);
    onOldDevice_ = false;
    return S_OK;
}

}  // namespace pelmora
