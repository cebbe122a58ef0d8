// A 2-D texture: a GL texture with its levels (DEFAULT, MANAGED) or CPU
// levels (SYSTEMMEM, which cannot be drawn from). Each level is a surface.
#pragma once

#include "platform/d3d9/gl/DeviceResource.h"
#include "platform/d3d9/gl/FormatTable.h"

#include <vector>

namespace pelmora::d3d9gl {

class GLSurface;

class GLTexture final : public DeviceResource<IDirect3DTexture9> {
public:
    GLTexture(GLDevice* device, UINT width, UINT height, UINT levels, DWORD usage,
              const FormatInfo& format, D3DPOOL pool);
    ~GLTexture() override;

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return DWORD(levels_.size()); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;

    // 0 for a texture in CPU memory.
    GLuint texture() const { return texture_; }

    // Levels of a full chain for a size.
    static UINT fullChainLevels(UINT width, UINT height);

private:
    GLSurface* level(UINT index, const char* operation);

    GLuint texture_ = 0;
    std::vector<GLSurface*> levels_;  // each holds one binding from this texture
};

}  // namespace pelmora::d3d9gl
