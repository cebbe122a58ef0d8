// The image a mesh may carry (billboards, decals): a private copy of the
// host's bitmap and the texture made from it for each device. A member of
// the meshes that show an image, not a base of them: solids and lines carry
// none. Log lines of texture creation name this file.
#pragma once

#include "image/BitmapTexture.h"

namespace pelmora {

class DXTextureMesh {
public:
    // Adopts the host's bitmap (0 for none); the host's handle is deleted.
    explicit DXTextureMesh(win::HBITMAP hostBitmap) : texture_(hostBitmap) {}

    // The texture for the device, made at the first draw on it; null without
    // a bitmap or when it cannot be made (logged).
    IDirect3DTexture9* getTexture(IDirect3DDevice9* device) { return texture_.textureFor(device); }
    // Called before the device is replaced: the texture must not keep the old one.
    void releaseDeviceObjects() { texture_.releaseDeviceObjects(); }

    const BitmapTexture& bitmapTexture() const { return texture_; }
    BitmapTexture& editableTexture() { return texture_; }

private:
    BitmapTexture texture_;
};

}  // namespace pelmora
