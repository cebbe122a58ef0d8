#include "platform/win/DeviceContext.h"

#include <pelmora/host.h>

#include "core/Diagnostics.h"

#include <new>

namespace pelmora::win {

HDC createPixelDC(int width, int height, const uint32_t* pixels, int strideInPixels) {
    if (!Bitmap::validSize(width, height) || (pixels && strideInPixels < width)) {
        logFormat("createPixelDC: bad size %d x %d or stride %d\n", width, height, strideInPixels);
        return 0;
    }
    try {
        auto surface = std::make_shared<Bitmap>(width, height, pixels, strideInPixels);
        return gdiObjects().add(std::make_shared<DeviceContext>(std::move(surface), 0));
    } catch (const std::bad_alloc&) {
        logFormat("createPixelDC: out of memory for %d x %d\n", width, height);
        return 0;
    }
}

bool getDCPixels(HDC dc, uint32_t** pixels, int* width, int* height, int* strideInPixels) {
    std::shared_ptr<DeviceContext> context = findGdiObject<DeviceContext>(dc);
    if (!context || !pixels || !width || !height || !strideInPixels) return false;
    Bitmap& target = context->target();
    *pixels = target.pixels();
    *width = target.width();
    *height = target.height();
    *strideInPixels = target.width();
    return true;
}

bool deleteDC(HDC dc) {
    if (!findGdiObject<DeviceContext>(dc)) return false;
    std::shared_ptr<GdiObject> removed = gdiObjects().remove(dc);
    if (!removed) return false;
    auto* context = static_cast<DeviceContext*>(removed.get());
    std::lock_guard<std::mutex> lock(gdiSelectionMutex());
    Bitmap& target = context->target();
    if (target.selectedInto() == dc) target.setSelectedInto(0);
    return true;
}

}  // namespace pelmora::win

PELMORA_API HRESULT PelmoraGetDCImage(int hDC, int* width, int* height, uint32_t** pixels,
                                      int* stride) {
    if (!pelmora::win::findGdiObject<pelmora::win::DeviceContext>(hDC)) {
        pelmora::logFormat("PelmoraGetDCImage: unknown device context %d\n", hDC);
        return E_HANDLE;
    }
    if (!width || !height || !pixels || !stride) {
        pelmora::logFormat("PelmoraGetDCImage: null out pointer (device context %d)\n", hDC);
        return E_POINTER;
    }
    return pelmora::win::getDCPixels(hDC, pixels, width, height, stride) ? S_OK : E_HANDLE;
}
