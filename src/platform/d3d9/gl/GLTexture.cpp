#include "platform/d3d9/gl/GLTexture.h"

#include "platform/d3d9/gl/GLSurface.h"

#include <algorithm>
#include <string>

namespace pelmora::d3d9gl {

UINT GLTexture::fullChainLevels(UINT width, UINT height) {
    UINT levels = 1;
    for (UINT side = std::max(width, height); side > 1; side /= 2) ++levels;
    return levels;
}

GLTexture::GLTexture(GLDevice* device, UINT width, UINT height, UINT levels, DWORD usage,
                     const FormatInfo& format, D3DPOOL pool)
    : DeviceResource(device, Owner::Host) {
    if (pool != D3DPOOL_SYSTEMMEM && pool != D3DPOOL_SCRATCH) {
        const GLApi& gl = device->gl();
        gl.CreateTextures(GL_TEXTURE_2D, 1, &texture_);
        gl.TextureStorage2D(texture_, GLsizei(levels), format.internalFormat, GLsizei(width),
                            GLsizei(height));
        gl.TextureParameteri(texture_, GL_TEXTURE_MAX_LEVEL, GLint(levels) - 1);
        if (format.swizzle[0]) gl.TextureParameteriv(texture_, GL_TEXTURE_SWIZZLE_RGBA, format.swizzle);
    }
    for (UINT i = 0; i < levels; ++i) {
        const UINT w = std::max(1u, width >> i), h = std::max(1u, height >> i);
        auto image = std::make_unique<GLImage>(device, format, w, h, pool, usage, texture_, GLint(i));
        GLSurface::Options options;
        options.owner = Owner::Device;
        options.container = static_cast<IDirect3DTexture9*>(this);
        levels_.push_back(new GLSurface(device, std::move(image), options));
    }
}

GLTexture::~GLTexture() {
    for (GLSurface* surface : levels_) surface->releaseBinding();
    if (!texture_) return;
    device()->makeCurrent();
    device()->cache().forgetTexture(texture_);
    device()->gl().DeleteTextures(1, &texture_);
}

GLSurface* GLTexture::level(UINT index, const char* operation) {
    if (index < levels_.size()) return levels_[index];
    device()->invalidCall((std::string(operation) + ": no such level").c_str());
    return nullptr;
}

HRESULT GLTexture::GetLevelDesc(UINT index, D3DSURFACE_DESC* desc) {
    GLSurface* surface = level(index, "GetLevelDesc");
    return surface ? surface->GetDesc(desc) : D3DERR_INVALIDCALL;
}

HRESULT GLTexture::GetSurfaceLevel(UINT index, IDirect3DSurface9** result) {
    if (!result) return device()->invalidCall("GetSurfaceLevel: no place for the surface");
    *result = level(index, "GetSurfaceLevel");
    if (!*result) return D3DERR_INVALIDCALL;
    (*result)->AddRef();
    return D3D_OK;
}

HRESULT GLTexture::LockRect(UINT index, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    GLSurface* surface = level(index, "LockRect");
    return surface ? surface->LockRect(locked, rect, flags) : D3DERR_INVALIDCALL;
}

HRESULT GLTexture::UnlockRect(UINT index) {
    GLSurface* surface = level(index, "UnlockRect");
    return surface ? surface->UnlockRect() : D3DERR_INVALIDCALL;
}

}  // namespace pelmora::d3d9gl
