#include "view/FrameRateFont.h"

#include <utility>

namespace pelmora {

namespace {

FrameRateFontFactory gFrameRateFontFactory = nullptr;

}  // namespace

FrameRateFontFactory setFrameRateFontFactory(FrameRateFontFactory factory) {
    return std::exchange(gFrameRateFontFactory, factory);
}

std::unique_ptr<FrameRateFont> createFrameRateFont(IDirect3DDevice9* device) {
    if (gFrameRateFontFactory == nullptr || device == nullptr) return nullptr;
    return gFrameRateFontFactory(device);
}

}  // namespace pelmora
