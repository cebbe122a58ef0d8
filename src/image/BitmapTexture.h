// The texture of an image-bearing visual: a private copy of the host's
// bitmap, the plan that fits it into a square texture, and one texture for
// the device the visual was last drawn on. The texture is made at the first
// draw on a device and made again when the visual is drawn on another one.
#pragma once

#include "image/AdoptedBitmap.h"
#include "image/TexturePlan.h"
#include "platform/com/ComPtr.h"
#include "platform/d3d9/d3d9.h"

namespace pelmora {

class BitmapTexture {
public:
    // Adopts the host's bitmap (0 for none): keeps a copy and deletes the
    // host's handle, which the host must not use afterwards.
    explicit BitmapTexture(win::HBITMAP hostBitmap);
    ~BitmapTexture();

    BitmapTexture(const BitmapTexture&) = delete;
    BitmapTexture& operator=(const BitmapTexture&) = delete;

    // The texture for this device, planned and filled at the first call on
    // it. Null for a null device, no bitmap, or a failed creation (logged;
    // the next call tries again). The reference stays owned here.
    IDirect3DTexture9* textureFor(IDirect3DDevice9* device);

    // Drops the texture, so no reference to the device outlives it. The
    // texture is managed and survives a reset; this matters when the device
    // itself is replaced.
    void releaseDeviceObjects();

    // For images that come from elsewhere (the symbol atlas): a square of
    // edge pixels in one piece. No bitmap is involved, no texture made.
    void setPreloadedSize(UINT edge);

    bool hasTexture() const { return static_cast<bool>(texture_); }
    // The private copy, 0 when the visual was made without a bitmap.
    win::HBITMAP bitmap() const { return bitmap_.handle(); }

    const TexturePlan& plan() const { return plan_; }
    UINT bitmapWidth() const { return plan_.bitmapWidth; }
    UINT bitmapHeight() const { return plan_.bitmapHeight; }
    UINT textureSize() const { return plan_.textureSize; }
    bool isWide() const { return plan_.isWide; }
    bool isTall() const { return plan_.isTall; }
    UINT stripCount() const { return plan_.stripCount; }

private:
    bool madeOn(IDirect3DDevice9* device) const;

    AdoptedBitmap bitmap_;
    TexturePlan plan_;
    ComPtr<IDirect3DTexture9> texture_;
};

}  // namespace pelmora
