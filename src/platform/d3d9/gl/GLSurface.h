// A surface: a render target, the back buffer, an offscreen plain surface
// or one level of a texture. A level forwards its reference counting to its
// texture, as it lives exactly as long as the texture does.
#pragma once

#include "platform/d3d9/gl/DeviceResource.h"
#include "platform/d3d9/gl/GLImage.h"

#include <memory>

namespace pelmora::d3d9gl {

class GLSurface final : public DeviceResource<IDirect3DSurface9> {
public:
    struct Options {
        Owner owner = Owner::Host;
        IUnknown* container = nullptr;  // the texture of a level
        GLuint ownedTexture = 0;        // deleted with the surface
        bool lockable = true;
    };

    GLSurface(GLDevice* device, std::unique_ptr<GLImage> image, const Options& options);
    ~GLSurface() override;

    ULONG AddRef() override;
    ULONG Release() override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect() override;
    HRESULT GetDC(HDC* dc) override;
    HRESULT ReleaseDC(HDC dc) override;

    GLImage& image() { return *image_; }
    bool isRenderTarget() const { return (image_->usage() & D3DUSAGE_RENDERTARGET) != 0; }

private:
    std::unique_ptr<GLImage> image_;
    IUnknown* container_;
    GLuint ownedTexture_;
    bool lockable_;
    HDC dc_ = 0;
};

}  // namespace pelmora::d3d9gl
