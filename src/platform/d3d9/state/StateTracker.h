// The device's current Direct3D state. Every setter stores the raw value,
// returns at once when nothing changed, and marks the dirty groups the change
// affects; the draw pipeline later rebuilds only those groups. Bound
// resources hold a binding while they are part of the state.
#pragma once

#include "platform/d3d9/state/BoundResource.h"
#include "platform/d3d9/state/DeviceState.h"

#include <array>
#include <functional>

namespace pelmora::d3d9state {

class StateTracker {
public:
    // invalid: logs the message and returns D3DERR_INVALIDCALL.
    using InvalidCall = std::function<HRESULT(const char*)>;

    StateTracker(const DeviceState& initial, InvalidCall invalid);
    ~StateTracker();

    StateTracker(const StateTracker&) = delete;
    StateTracker& operator=(const StateTracker&) = delete;

    HRESULT setRenderState(D3DRENDERSTATETYPE state, DWORD value);
    HRESULT getRenderState(D3DRENDERSTATETYPE state, DWORD* value) const;
    HRESULT setTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix);
    HRESULT getTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) const;
    HRESULT setViewport(const D3DVIEWPORT9* viewport, UINT targetWidth, UINT targetHeight);
    HRESULT getViewport(D3DVIEWPORT9* viewport) const;
    HRESULT setMaterial(const D3DMATERIAL9* material);
    HRESULT getMaterial(D3DMATERIAL9* material) const;
    HRESULT setLight(DWORD index, const D3DLIGHT9* light);
    HRESULT getLight(DWORD index, D3DLIGHT9* light) const;
    HRESULT lightEnable(DWORD index, BOOL enable);
    HRESULT getLightEnable(DWORD index, BOOL* enable) const;
    HRESULT setTexture(DWORD stage, IDirect3DBaseTexture9* texture);
    HRESULT getTexture(DWORD stage, IDirect3DBaseTexture9** texture) const;
    HRESULT setTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    HRESULT getTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) const;
    HRESULT setSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value);
    HRESULT getSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) const;
    HRESULT setFVF(DWORD fvf);
    HRESULT getFVF(DWORD* fvf) const;
    HRESULT setStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride);
    HRESULT setIndices(IDirect3DIndexBuffer9* indices);

    // Writes a whole captured state through the setters above, so only what
    // differs is marked dirty.
    void apply(const DeviceState& captured, UINT targetWidth, UINT targetHeight);

    const DeviceState& state() const { return state_; }
    uint32_t dirty() const { return dirty_; }
    void markDirty(uint32_t groups) { dirty_ |= groups; }
    void clearDirty(uint32_t groups) { dirty_ &= ~groups; }

private:
    DeviceState state_;
    // The bound textures as the resources whose bindings they hold, so that
    // letting one go needs no second look-up.
    std::array<BoundResource*, kTextureStages> textureBindings_{};
    uint32_t dirty_ = kDirtyAll;
    InvalidCall invalid_;
};

// Bindings of every resource a state refers to.
void bindStateResources(const DeviceState& state);
void unbindStateResources(const DeviceState& state);

}  // namespace pelmora::d3d9state
