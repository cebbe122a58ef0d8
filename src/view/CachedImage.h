// A viewport's copy of its last complete image, so the host can show it again
// without rendering. It starts as a render target the size of the viewport;
// it lives in system memory when video memory ran out, and after the device
// had to be created again.
#pragma once

#include "platform/d3d9/d3d9.h"
#include "platform/com/ComPtr.h"

namespace pelmora {

class CachedImage {
public:
    // The render target, or a system-memory surface when video memory is out.
    void create(IDirect3DDevice9* device, UINT width, UINT height, D3DFORMAT format);

    // Back buffer -> image. A missing or mismatched system-memory image is
    // made anew with the back buffer's size and format.
    HRESULT save(IDirect3DDevice9* device, IDirect3DSurface9* backBuffer, const RECT& area);
    // Image -> back buffer; nothing to do without an image.
    HRESULT restore(IDirect3DDevice9* device, IDirect3DSurface9* backBuffer, const RECT& area);

    // Before the device is created again: a render-target image moves into
    // system memory. A failure leaves no image.
    HRESULT evict(IDirect3DDevice9* device);
    // After the device was created again: an image made on the old device is
    // copied into a surface of the new one, so the old device can go. Saving
    // and restoring do this first when nobody did.
    HRESULT adoptDevice(IDirect3DDevice9* device);
    void release() { surface_.reset(); }

    IDirect3DSurface9* surface() const { return surface_.get(); }
    bool inVideoMemory() const { return inVideoMemory_; }
    bool evicted() const { return evicted_; }

private:
    HRESULT createSystemCopy(IDirect3DDevice9* device, const D3DSURFACE_DESC& like,
                             ComPtr<IDirect3DSurface9>* copy) const;
    HRESULT ensureSystemImageLike(IDirect3DDevice9* device, const D3DSURFACE_DESC& backDesc);

    ComPtr<IDirect3DSurface9> surface_;
    bool inVideoMemory_ = true;
    bool evicted_ = false;
    bool onOldDevice_ = false;
};

}  // namespace pelmora
