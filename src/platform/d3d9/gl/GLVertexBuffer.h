#pragma once

#include "platform/d3d9/gl/DeviceResource.h"
#include "platform/d3d9/gl/GLBufferStorage.h"

namespace pelmora::d3d9gl {

class GLVertexBuffer final : public DeviceResource<IDirect3DVertexBuffer9> {
public:
    GLVertexBuffer(GLDevice* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
        : DeviceResource(device, Owner::Host), storage_(device, length, usage, pool), fvf_(fvf) {}

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override {
        return storage_.lock(offset, size, data, flags);
    }
    HRESULT Unlock() override { return storage_.unlock(); }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

    GLBufferStorage& storage() { return storage_; }

private:
    GLBufferStorage storage_;
    DWORD fvf_;
};

}  // namespace pelmora::d3d9gl
