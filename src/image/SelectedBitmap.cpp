#include "image/SelectedBitmap.h"

#include "platform/win/DeviceContext.h"

namespace pelmora {

SelectedBitmap::SelectedBitmap(win::HBITMAP bitmap) : dc_(win::createCompatibleDC(0)) {
    if (dc_) previous_ = win::selectObject(dc_, bitmap);
}

SelectedBitmap::~SelectedBitmap() {
    if (previous_) win::selectObject(dc_, previous_);
    if (dc_) win::deleteDC(dc_);
}

}  // namespace pelmora
