// The picture operations: billboards of the built-in symbols and of host
// bitmaps, and decals. Host bitmaps are adopted: copied, then the host's
// handle is deleted.
#include "core/GuardedCall.h"
#include "core/HandleResolution.h"
#include "mesh/DXBillboard.h"
#include "mesh/DXDecal.h"
#include "host/DXContext.h"
#include "image/AdoptedBitmap.h"

#include <memory>

namespace pelmora {

namespace {

// 0 stands for no bitmap; anything else must be a live bitmap, or the host
// would lose track of what it still owns.
bool acceptableBitmap(const char* operation, int hBitmap) {
    UINT width = 0, height = 0;
    if (hBitmap == 0 || bitmapSize(win::HBITMAP(hBitmap), &width, &height)) return true;
    logFormat("%s: %d is not a bitmap\n", operation, hBitmap);
    return false;
}

}  // namespace

HRESULT DXContext::newPreloadedBillboard(PreloadedTextureIDs preloadedID, int anchorX, int anchorY,
                                         int* ppResult) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(ppResult);
        if (!DXBillboard::isAtlasId(preloadedID)) {
            logFormat("newPreloadedBillboard: %d names no symbol\n", int(preloadedID));
            return PELMORA_TRACE_FAILED(E_INVALIDARG);
        }
        const int handle =
            adopt(DXBillboard::preloaded(preloadedID, anchorX, anchorY).release(), HandleKind::Visual);
        if (handle == 0) return PELMORA_TRACE_FAILED(E_OUTOFMEMORY);
        *ppResult = handle;
        return S_OK;
    });
}

HRESULT DXContext::newBillboard(int hBitmap, int anchorX, int anchorY, int* ppResult) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(ppResult);
        if (!acceptableBitmap("newBillboard", hBitmap)) return PELMORA_TRACE_FAILED(E_HANDLE);
        const int handle = adopt(
            DXBillboard::fromBitmap(win::HBITMAP(hBitmap), anchorX, anchorY).release(),
            HandleKind::Visual);
        if (handle == 0) return PELMORA_TRACE_FAILED(E_OUTOFMEMORY);
        *ppResult = handle;
        return S_OK;
    });
}

HRESULT DXContext::newDecal(int hBitmap, double left, double top, double right, double bottom,
                            int* ppResult) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(ppResult);
        if (!acceptableBitmap("newDecal", hBitmap)) return PELMORA_TRACE_FAILED(E_HANDLE);
        auto decal = std::make_unique<DXDecal>(win::HBITMAP(hBitmap),
                                               DecalRectangle{left, top, right, bottom});
        const int handle = adopt(decal.release(), HandleKind::Visual);
        if (handle == 0) return PELMORA_TRACE_FAILED(E_OUTOFMEMORY);
        *ppResult = handle;
        return S_OK;
    });
}

}  // namespace pelmora
