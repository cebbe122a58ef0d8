// A viewport for frame-walk tests: the two flags a frame reads, and a world
// transform that goes to the device (so it shows in a recorder's calls)
// unless the test makes it fail or throw.
#pragma once

#include "scene/SceneViewport.h"

namespace pelmora::test {

class TestViewport final : public SceneViewport {
public:
    enum class WorldFault { None, Status, Structured, Other };

    bool disregardRenderOverride() const override { return disregardOverride; }
    bool noReflectivity() const override { return noReflectivityFlag; }
    HRESULT setWorldTransform(IDirect3DDevice9* device, const D3DMATRIX& world) override;

    bool disregardOverride = false;
    bool noReflectivityFlag = false;
    WorldFault worldFault = WorldFault::None;
    HRESULT worldFailure = E_FAIL;  // returned for WorldFault::Status
};

}  // namespace pelmora::test
