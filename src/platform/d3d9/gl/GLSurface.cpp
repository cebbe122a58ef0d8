#include "platform/d3d9/gl/GLSurface.h"

#include "platform/win/DeviceContext.h"

#include <vector>

namespace pelmora::d3d9gl {

GLSurface::GLSurface(GLDevice* device, std::unique_ptr<GLImage> image, const Options& options)
    : DeviceResource(device, options.owner),
      image_(std::move(image)),
      container_(options.container),
      ownedTexture_(options.ownedTexture),
      lockable_(options.lockable) {}

GLSurface::~GLSurface() {
    if (dc_) win::deleteDC(dc_);
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
    if (dc_) return device()->invalidCall("LockRect: the surface's device context is out");
    if (!lockable_) return device()->invalidCall("LockRect: the surface was not made lockable");
    return image_->lockRect(locked, rect, flags);
}

HRESULT GLSurface::UnlockRect() { return image_->unlockRect(); }

// The context holds a 32-bit copy of the surface; ReleaseDC writes it back,
// so whatever the host drew shows on the surface from then on.
HRESULT GLSurface::GetDC(HDC* dc) {
    if (!dc) return device()->invalidCall("GetDC: no place for the context");
    if (dc_ || image_->locked()) return device()->invalidCall("GetDC: the surface is locked or has a context");
    const int width = int(image_->width()), height = int(image_->height());
    std::vector<uint32_t> pixels(size_t(width) * height);
    image_->readArgb(image_->whole(), pixels.data(), size_t(width) * sizeof(uint32_t));
    dc_ = win::createPixelDC(width, height, pixels.data(), width);
    if (!dc_) return device()->invalidCall("GetDC: no device context could be made");
    *dc = dc_;
    return D3D_OK;
}

HRESULT GLSurface::ReleaseDC(HDC dc) {
    if (!dc_ || dc != dc_) return device()->invalidCall("ReleaseDC: not the context of this surface");
    uint32_t* pixels = nullptr;
    int width = 0, height = 0, stride = 0;
    if (win::getDCPixels(dc, &pixels, &width, &height, &stride) && UINT(width) == image_->width() &&
        UINT(height) == image_->height())
        image_->writeArgb(image_->whole(), pixels, size_t(stride) * sizeof(uint32_t));
    win::deleteDC(dc);
    dc_ = 0;
    return D3D_OK;
}

}  // namespace pelmora::d3d9gl
