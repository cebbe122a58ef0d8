// The whole Direct3D state of a device as plain values, exactly as the host
// set them. The device keeps one of these current; a state block keeps
// another. Nothing here touches OpenGL.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <array>
#include <cstdint>
#include <map>

namespace pelmora::d3d9state {

constexpr DWORD kTextureStages = 8;
constexpr DWORD kStageStateCount = 33;    // D3DTSS_* values are below this
constexpr DWORD kSamplerStateCount = 14;  // D3DSAMP_* values are below this

// Transforms kept: view, projection, world and the eight texture matrices.
enum TransformSlot : uint8_t { kSlotView, kSlotProjection, kSlotWorld, kSlotTexture0, kTransformSlots = kSlotTexture0 + 8 };

// The groups of GL work a state change makes necessary before the next draw.
enum DirtyGroup : uint32_t {
    kDirtyTransforms = 1u << 0,
    kDirtyLights = 1u << 1,
    kDirtyMaterial = 1u << 2,
    kDirtyViewport = 1u << 3,
    kDirtyBlend = 1u << 4,
    kDirtyDepth = 1u << 5,
    kDirtyDepthBias = 1u << 6,
    kDirtyRaster = 1u << 7,
    kDirtyColorMask = 1u << 8,
    kDirtyProgram = 1u << 9,
    kDirtyPixelConstants = 1u << 10,
    kDirtyTexture = 1u << 11,
    kDirtySampler = 1u << 12,
    kDirtyVertexFormat = 1u << 13,
    kDirtyStream = 1u << 14,
    kDirtyIndices = 1u << 15,
    kDirtyAll = (1u << 16) - 1,
};

struct LightEntry {
    D3DLIGHT9 light{};
    bool enabled = false;
};

struct StreamSource {
    IDirect3DVertexBuffer9* buffer = nullptr;
    UINT offset = 0;
    UINT stride = 0;
    bool operator==(const StreamSource&) const = default;
};

struct DeviceState {
    std::array<DWORD, D3DRS_MAX_INDEX> renderStates{};
    std::array<D3DMATRIX, kTransformSlots> transforms{};
    D3DVIEWPORT9 viewport{};
    D3DMATERIAL9 material{};
    std::map<DWORD, LightEntry> lights;
    std::array<IDirect3DBaseTexture9*, kTextureStages> textures{};
    std::array<std::array<DWORD, kStageStateCount>, kTextureStages> stageStates{};
    std::array<std::array<DWORD, kSamplerStateCount>, kTextureStages> samplerStates{};
    DWORD fvf = 0;
    StreamSource stream0;
    IDirect3DIndexBuffer9* indices = nullptr;

    DWORD rs(D3DRENDERSTATETYPE state) const { return renderStates[state]; }
    float rsFloat(D3DRENDERSTATETYPE state) const;
    // Lights enabled, in index order (at most kMaxActiveLights).
    int enabledLights(const D3DLIGHT9* out[], int capacity) const;
};

// The state of a new device: Direct3D's documented defaults, with depth
// testing on only when the device has an automatic depth buffer.
DeviceState defaultDeviceState(const D3DVIEWPORT9& viewport, bool hasDepthBuffer);

// Where a transform lives in DeviceState::transforms; false for one not kept.
bool transformSlot(D3DTRANSFORMSTATETYPE state, TransformSlot* slot);

// The dirty groups a render state belongs to (0 for states without effect).
uint32_t dirtyGroupsOfRenderState(D3DRENDERSTATETYPE state);

// The light LightEnable makes for an index never set.
D3DLIGHT9 defaultLight();

D3DMATRIX identityMatrix();

}  // namespace pelmora::d3d9state
