#include "image/AdoptedBitmap.h"

#include "core/Diagnostics.h"
#include "image/SelectedBitmap.h"

namespace pelmora {

bool bitmapSize(win::HBITMAP bitmap, UINT* width, UINT* height) {
    win::BITMAP record{};
    if (win::getObject(bitmap, sizeof record, &record) != int(sizeof record)) return false;
    *width = UINT(record.bmWidth);
    *height = UINT(record.bmHeight);
    return true;
}

win::HBITMAP copyBitmap(win::HBITMAP source) {
    UINT width = 0, height = 0;
    if (!bitmapSize(source, &width, &height)) {
        logFormat("copyBitmap: %d is not a bitmap\n", source);
        return 0;
    }
    SelectedBitmap from(source);
    if (!from.ok()) {
        logFormat("copyBitmap: bitmap %d cannot be selected\n", source);
        return 0;
    }
    OwnedBitmap copy(win::createCompatibleBitmap(from.dc(), int(width), int(height)));
    if (!copy) return 0;
    SelectedBitmap to(copy.get());
    if (to.ok() &&
        win::bitBlt(to.dc(), 0, 0, int(width), int(height), from.dc(), 0, 0, win::SRCCOPY))
        return copy.release();  // still selected into to, which lets go of it on return
    logFormat("copyBitmap: the pixels of bitmap %d could not be copied\n", source);
    return 0;
}

AdoptedBitmap::AdoptedBitmap(win::HBITMAP hostBitmap) {
    if (hostBitmap == 0) return;
    copy_.reset(copyBitmap(hostBitmap));
    win::deleteObject(hostBitmap);
}

bool AdoptedBitmap::size(UINT* width, UINT* height) const {
    return copy_ && bitmapSize(copy_.get(), width, height);
}

}  // namespace pelmora
