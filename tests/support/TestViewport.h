// A render context for frame-walk tests: the flags a frame reads, the pass,
// and a world transform that goes to the device (so it shows in a
// recorder's calls) unless the test makes it fail or throw. It has no
// device and no view: meshes drawn with it see nothing to draw into.
#pragma once

#include "scene/EdgePass.h"
#include "scene/RenderContext.h"

namespace pelmora::test {

class TestViewport final : public RenderContext {
public:
    enum class WorldFault { None, Status, Structured, Other };

    bool disregardRenderOverride() const override { return disregardOverride; }
    bool noReflectivity() const override { return noReflectivityFlag; }
    HRESULT setWorldTransform(IDirect3DDevice9* device, const D3DMATRIX& world) override;
    bool translucentPass() const override { return translucent; }
    IDirect3DDevice9* getDevice() override { return nullptr; }
    float refinementDeviation() const override { return 1.0f; }
    bool manualRefinement() const override { return false; }
    bool forceRender() const override { return false; }
    bool reduceDetails() const override { return false; }
    double getWidth() const override { return 0.0; }
    double getHeight() const override { return 0.0; }
    const D3DXMATRIX& cameraTransform() const override { return identity_; }
    const D3DXMATRIX& viewMatrix() const override { return identity_; }
    const D3DXMATRIX& projection() const override { return identity_; }
    const D3DVIEWPORT9& deviceViewport() const override { return rect_; }
    HRESULT getViewportPlane(double*, double*, double*, double*) override { return E_FAIL; }
    bool boxOutsideView(const ClipBox&, const D3DMATRIX&, float) const override { return true; }
    ID3DXLine* lineDrawer() const override { return nullptr; }
    EdgePass& edgePass() override { return edges_; }

    bool disregardOverride = false;
    bool noReflectivityFlag = false;
    WorldFault worldFault = WorldFault::None;
    HRESULT worldFailure = E_FAIL;  // returned for WorldFault::Status
    bool translucent = false;

private:
    D3DXMATRIX identity_{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    D3DVIEWPORT9 rect_{};
    EdgePass edges_;
};

}  // namespace pelmora::test
