#pragma once

#include "platform/d3d9/gl/DeviceResource.h"
#include "platform/d3d9/gl/GLBufferStorage.h"

namespace pelmora::d3d9gl {

class GLIndexBuffer final : public DeviceResource<IDirect3DIndexBuffer9> {
public:
    GLIndexBuffer(GLDevice* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
        : DeviceResource(device, Owner::Host), storage_(device, length, usage, pool), format_(format) {}

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override {
        return storage_.lock(offset, size, data, flags);
    }
    HRESULT Unlock() override { return storage_.unlock(); }
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;

    GLBufferStorage& storage() { return storage_; }
    D3DFORMAT format() const { return format_; }
    UINT indexSize() const { return format_ == D3DFMT_INDEX32 ? 4 : 2; }

private:
    GLBufferStorage storage_;
    D3DFORMAT format_;
};

}  // namespace pelmora::d3d9gl
