// The base of everything a frame can list and a host can hold: frames and
// every kind of mesh. It carries visibility and one integer for the host.
#pragma once

#include "platform/d3d9/d3d9.h"
#include "core/DXObject.h"
#include "scene/RenderAttributes.h"

#include <vector>

namespace pelmora {

class DXFrame;
class RenderContext;

class DXVisual : public DXObject {
public:
    DXVisual() = default;
    // Leaves no frame pointing at this visual.
    ~DXVisual() override;

    // Drops cached device resources (textures, buffers) before a device goes.
    virtual void releaseDeviceObjects() {}
    // Host-backed meshes record the refinement deviation they should draw at.
    virtual void setCurrentDeviation(float deviation) { (void)deviation; }
    // Visible only for exactly VARIANT_TRUE.
    virtual HRESULT setVisible(VARIANT_BOOL visible);
    virtual HRESULT getAppData(int* value);
    virtual HRESULT setAppData(int value);
    virtual HRESULT render(IDirect3DDevice9* device, RenderContext* viewport,
                           const D3DMATRIX* world, D3DMATERIAL9* material,
                           RenderAttributes attributes) = 0;
    // Writes a description line to the error log.
    virtual void dump(int depth) = 0;

    bool isVisible() const { return visible_ != 0; }

protected:
    int visible_ = 1;
    int appData_ = 0;

private:
    friend class DXFrame;
    // Frames whose child or visual list holds this visual, once per frame.
    std::vector<DXFrame*> listedBy_;
};

}  // namespace pelmora
