// What viewports ask of the context that owns the device: the device itself
// (making the asking viewport current), registration, the default render
// states, lights, and repairs after a lost device.
#pragma once

#include "platform/d3d9/d3d9.h"

namespace pelmora {

class DXViewport;

class DXDeviceHost {
public:
    // Every registered scene object drops its device resources; they are made
    // again at their next draw.
    virtual void releaseAllDeviceObjects() = 0;
    // Creates the device again for the window it was last created for.
    virtual HRESULT recreateDevice() = 0;
    // The refinement level new host-backed meshes start with; returns it.
    virtual float setRefinementLevel(float level) = 0;
    // Makes the viewport current (activating it when it was not) and returns
    // the device, or null when there is none.
    virtual IDirect3DDevice9* makeCurrent(DXViewport* viewport) = 0;
    // Returns the number of registered viewports.
    virtual int registerViewport(DXViewport* viewport) = 0;
    virtual void unregisterViewport(DXViewport* viewport) = 0;
    virtual void applyDefaultRenderStates() = 0;
    virtual HRESULT addLight(DXViewport* viewport, const D3DLIGHT9& light, int lightId) = 0;

protected:
    ~DXDeviceHost() = default;
};

}  // namespace pelmora
