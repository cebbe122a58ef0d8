// A GDI bitmap: 32-bit 0xAARRGGBB pixels, rows top-down and packed. A bitmap
// can be selected into one memory device context at a time.
#pragma once

#include "platform/win/WindowTypes.h"
#include "platform/imaging/ImageView.h"
#include "platform/win/GdiObject.h"

#include <vector>

namespace pelmora::win {

inline constexpr int kMaxBitmapDimension = 16384;
inline constexpr uint32_t kOpaqueBlack = 0xFF000000u;

class Bitmap final : public GdiObject {
public:
    // Copies the pixels (strideInPixels apart); null pixels give opaque black.
    Bitmap(int width, int height, const uint32_t* pixels, int strideInPixels);

    static bool validSize(int width, int height) {
        return width > 0 && height > 0 && width <= kMaxBitmapDimension &&
               height <= kMaxBitmapDimension;
    }

    int width() const { return width_; }
    int height() const { return height_; }
    uint32_t* pixels() { return pixels_.data(); }
    const uint32_t* pixels() const { return pixels_.data(); }
    uint32_t* row(int y) { return pixels_.data() + size_t(y) * size_t(width_); }
    imaging::ImageView view() const { return {pixels_.data(), width_, height_, width_}; }

    // The memory context the bitmap is selected into, 0 for none. Read and
    // changed under gdiSelectionMutex().
    HDC selectedInto() const { return selectedInto_; }
    void setSelectedInto(HDC dc) { selectedInto_ = dc; }

    // The stock bitmap new memory contexts start with: shared by all of
    // them and never deleted.
    bool isStock() const { return stock_; }
    void markStock() { stock_ = true; }

private:
    int width_;
    int height_;
    std::vector<uint32_t> pixels_;
    HDC selectedInto_ = 0;
    bool stock_ = false;
};

}  // namespace pelmora::win
