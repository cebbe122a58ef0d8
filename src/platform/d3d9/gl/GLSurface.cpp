#include "platform/d3d9/gl/GLSurface.h"

namespace pelmora::d3d9gl {

GLSurface::GLSurface(GLDevice* device, std::unique_ptr<GLImage> image, const Options& options)
    : DeviceResource(device, options.owner),
      image_(std::move(image)),
      container_(options.container),
      ownedTexture_(options.ownedTexture),
      lockable_(options.lockable) {}

GLSurface::~GLSurface() {
    image_.reset();
    if (!ownedTexture_) return;
    device()->makeCurrent();
    device()->cache().forgetTexture(ownedTexture_);
    device()->gl().DeleteTextures(1, &ownedTexture_);
}

ULONG GLSurface::AddRef() { return container_ ? container_->AddRef() : addPublicReference(); }

ULONG GLSurface::Release() { return container_ ? container_->Release() : releasePublicReference(); }

HRESULT GLSurface::GetDesc(D3DSURFACE_DESC* desc) {
    if (!desc) return device()->invalidCall("GetDesc: no description to fill");
    image_->describe(desc, D3DRTYPE_SURFACE);
    return D3D_OK;
}

HRESULT GLSurface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (!lockable_) return device()->invalidCall("LockRect: the surface was not made lockable");
    return image_->lockRect(locked, rect, flags);
}

HRESULT GLSurface::UnlockRect() { return image_->unlockRect(); }

HRESULT GLSurface::GetDC(HDC* dc) {
    (void)dc;
    return device()->notImplemented("IDirect3DSurface9::GetDC");
}

HRESULT GLSurface::ReleaseDC(HDC dc) {
    (void)dc;
    return device()->notImplemented("IDirect3DSurface9::ReleaseDC");
}

}  // namespace pelmora::d3d9gl
