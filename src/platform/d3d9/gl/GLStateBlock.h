// A D3DSBT_ALL state block: a copy of the device's state (render, sampler and
// texture-stage states, textures, stream, indices, viewport, transforms,
// material, lights), captured at creation and by Capture, written back by Apply.
#pragma once

#include "platform/d3d9/gl/DeviceChild.h"
#include "platform/d3d9/gl/StateNames.h"

namespace pelmora::d3d9gl {

class GLStateBlock final : public IDirect3DStateBlock9, public DeviceChild {
public:
    explicit GLStateBlock(GLDevice* device);
    ~GLStateBlock() override;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return addPublicReference(); }
    ULONG Release() override { return releasePublicReference(); }
    HRESULT GetDevice(IDirect3DDevice9** device) override;
    HRESULT Capture() override;
    HRESULT Apply() override;

private:
    DeviceState captured_;
};

}  // namespace pelmora::d3d9gl
