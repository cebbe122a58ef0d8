#include "platform/win/OffscreenWindow.h"

#include "platform/imaging/Resampler.h"

namespace pelmora::win {

OffscreenWindow::OffscreenWindow(int width, int height)
    : width_(width), height_(height), pixels_(size_t(width) * size_t(height), kInitialColor) {}

bool OffscreenWindow::clientSize(int* width, int* height) {
    *width = width_;
    *height = height_;
    return true;
}

HRESULT OffscreenWindow::present(const RECT& destination, const imaging::ImageView& image) {
    PresentPlacement placement;
    if (!placePresent(destination, width_, height_, &placement)) return S_OK;
    uint32_t* target =
        pixels_.data() + size_t(placement.visible.y) * width_ + size_t(placement.visible.x);
    imaging::resampleRegion(image, placement.scaledWidth, placement.scaledHeight,
                            placement.scaledRegion(), target, width_);
    return S_OK;
}

imaging::ImageView OffscreenWindow::image() const {
    return imaging::ImageView{pixels_.data(), width_, height_, width_};
}

}  // namespace pelmora::win
