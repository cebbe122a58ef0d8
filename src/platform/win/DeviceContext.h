// Device contexts over pixel memory: what a surface's GetDC hands out, so a
// host can draw on a surface with its own 2-D library through PelmoraGetDCImage.
#pragma once

#include "platform/win/WindowTypes.h"
#include "platform/win/Bitmap.h"
#include "platform/win/GdiObject.h"

#include <cstdint>
#include <memory>

namespace pelmora::win {

// A memory device context of the given size holding a copy of the pixels
// (0xAARRGGBB, rows top-down); 0 on failure.
HDC createPixelDC(int width, int height, const uint32_t* pixels, int strideInPixels);

// The DC's pixels; false for an unknown handle.
bool getDCPixels(HDC dc, uint32_t** pixels, int* width, int* height, int* strideInPixels);

// Forgets the DC and frees its pixels; false for an unknown handle.
bool deleteDC(HDC dc);

// The object behind an HDC: the bitmap it draws on and its drawing settings.
// A surface's context draws on a bitmap of its own that nothing can select
// away; a memory context draws on whichever bitmap is selected into it.
class DeviceContext final : public GdiObject {
public:
    static constexpr uint32_t kDefaultBrushColor = 0xFFFFFFFFu;  // white
    static constexpr int kDefaultStretchMode = 3;                // COLORONCOLOR

    // selectedHandle is the handle of target, or 0 when target is the
    // context's own surface.
    DeviceContext(std::shared_ptr<Bitmap> target, int selectedHandle)
        : target_(std::move(target)), selectedHandle_(selectedHandle) {}

    Bitmap& target() const { return *target_; }
    const std::shared_ptr<Bitmap>& targetBitmap() const { return target_; }
    bool ownsSurface() const { return selectedHandle_ == 0; }
    int selectedHandle() const { return selectedHandle_; }

    // Under gdiSelectionMutex().
    void select(std::shared_ptr<Bitmap> bitmap, int handle) {
        target_ = std::move(bitmap);
        selectedHandle_ = handle;
    }

    uint32_t brushColor() const { return brushColor_; }
    void setBrushColor(uint32_t color) { brushColor_ = color; }
    int stretchMode() const { return stretchMode_; }
    void setStretchMode(int mode) { stretchMode_ = mode; }

private:
    std::shared_ptr<Bitmap> target_;
    int selectedHandle_;
    uint32_t brushColor_ = kDefaultBrushColor;
    int stretchMode_ = kDefaultStretchMode;
};

}  // namespace pelmora::win
