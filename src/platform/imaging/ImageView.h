// Pixel images as the imaging layer passes them around: 32-bit 0xAARRGGBB
// pixels, rows top-down, a row stride counted in pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmora::imaging {

// Borrowed pixels; nothing is owned.
struct ImageView {
    const uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;

    bool valid() const { return pixels != nullptr && width > 0 && height > 0 && stride >= width; }
    const uint32_t* row(int y) const { return pixels + static_cast<std::ptrdiff_t>(y) * stride; }
};

// An owned image with rows packed tightly (stride == width).
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    ImageView view() const { return ImageView{pixels.data(), width, height, width}; }
};

// A rectangle in pixels, by corner and size.
struct PixelRegion {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

}  // namespace pelmora::imaging
