// Moving images out of the shared back buffer: presenting the viewport's
// part of it, saving it to and restoring it from the cached image, and
// lending the host a device context on it.
#include "view/ViewportOperation.h"

#include <cstdint>
#include <limits>

namespace pelmora {

namespace {

// right - left and bottom - top, taken in 64 bits: a host's rectangle may
// span more than a LONG can hold, which no presentation area can be.
bool presentationArea(int left, int top, int right, int bottom, RECT* area) {
    const int64_t width = int64_t{right} - left;
    const int64_t height = int64_t{bottom} - top;
    constexpr int64_t kLowest = std::numeric_limits<LONG>::min();
    constexpr int64_t kHighest = std::numeric_limits<LONG>::max();
    if (width < kLowest || width > kHighest || height < kLowest || height > kHighest) return false;
    *area = RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    return true;
}

}  // namespace

RECT DXViewport::viewportArea() const { return RECT{0, 0, width_, height_}; }

HRESULT DXViewport::present(IDirect3DDevice9* device, const RECT& area) const {
    return device->Present(&area, &area, window_, nullptr);
}

HRESULT DXViewport::viewportPresent(int left, int top, int right, int bottom) {
    return VIEWPORT_OPERATION({
        // Only the size counts: the image always comes from and goes to the top left.
        RECT area{};
        if (!presentationArea(left, top, right, bottom, &area)) {
            logFormat("DXViewport: cannot present %d,%d..%d,%d; its size does not fit\n", left,
                      top, right, bottom);
            return PELMORA_TRACE_FAILED(E_INVALIDARG);
        }
        IDirect3DDevice9* device = getDevice();
        if (device == nullptr) return VIEWPORT_NO_DEVICE();
        HRESULT status = present(device, area);
        if (status == D3DERR_DEVICELOST) {
            logMessage("DXViewport: device lost at presentation; creating it again\n");
            context_->recreateDevice();
            device = getDevice();
            if (device == nullptr) return PELMORA_TRACE_FAILED(status);
            status = present(device, area);
        }
        return FAILED(status) ? PELMORA_TRACE_FAILED(status) : S_OK;
    });
}

HRESULT DXViewport::viewportFlip(IDirect3DSurface9* backBuffer, bool toCache) {
    return VIEWPORT_OPERATION({
        IDirect3DDevice9* device = getDevice();
        if (device == nullptr) return VIEWPORT_NO_DEVICE();
        if (backBuffer == nullptr) return PELMORA_TRACE_FAILED(D3DERR_INVALIDCALL);
        const RECT area = viewportArea();
        return toCache ? cachedImage_.save(device, backBuffer, area)
                       : cachedImage_.restore(device, backBuffer, area);
    });
}

HRESULT DXViewport::getSurfaceDC(IDirect3DSurface9* backBuffer, HDC* dc) {
    return VIEWPORT_OPERATION({
        if (dc == nullptr) return PELMORA_TRACE_FAILED(E_POINTER);
        if (backBuffer == nullptr) return S_OK;
        const HRESULT status = backBuffer->GetDC(dc);
        return FAILED(status) ? PELMORA_TRACE_FAILED(status) : status;
    });
}

HRESULT DXViewport::releaseSurfaceDC(IDirect3DSurface9* backBuffer, HDC dc) {
    return VIEWPORT_OPERATION({
        if (backBuffer == nullptr) return S_OK;
        const HRESULT status = backBuffer->ReleaseDC(dc);
        return FAILED(status) ? PELMORA_TRACE_FAILED(status) : status;
    });
}

}  // namespace pelmora
