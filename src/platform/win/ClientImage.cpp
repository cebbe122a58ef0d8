#include "platform/win/ClientImage.h"

#include "platform/imaging/Resampler.h"

namespace pelmora::win {

ClientImage::ClientImage(int width, int height)
    : width_(width), height_(height), pixels_(size_t(width) * size_t(height), kInitialColor) {}

void ClientImage::resize(int width, int height) {
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    pixels_.assign(size_t(width) * size_t(height), kInitialColor);
}

bool ClientImage::present(const RECT& destination, const imaging::ImageView& image,
                          PresentPlacement* placement) {
    if (!placePresent(destination, width_, height_, placement)) return false;
    const imaging::PixelRegion& visible = placement->visible;
    uint32_t* target = pixels_.data() + size_t(visible.y) * width_ + size_t(visible.x);
    imaging::resampleRegion(image, placement->scaledWidth, placement->scaledHeight,
                            placement->scaledRegion(), target, width_);
    return true;
}

imaging::ImageView ClientImage::view() const {
    return imaging::ImageView{pixels_.data(), width_, height_, width_};
}

}  // namespace pelmora::win
