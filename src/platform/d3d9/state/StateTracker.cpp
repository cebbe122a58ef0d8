#include "platform/d3d9/state/StateTracker.h"

#include "platform/d3d9/state/CapsTable.h"

#include <cstring>
#include <utility>

namespace pelmora::d3d9state {
namespace {

template <class T>
bool sameBytes(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

int enabledCount(const DeviceState& state) {
    int count = 0;
    for (const auto& [index, entry] : state.lights) count += entry.enabled ? 1 : 0;
    return count;
}

// Replaces a bound resource pointer, moving the binding along.
template <class T>
void rebind(T*& slot, T* value) {
    bindResource(value);
    unbindResource(slot);
    slot = value;
}

}  // namespace

void bindStateResources(const DeviceState& state) {
    for (IDirect3DBaseTexture9* texture : state.textures) bindResource(texture);
    bindResource(state.stream0.buffer);
    bindResource(state.indices);
}

void unbindStateResources(const DeviceState& state) {
    for (IDirect3DBaseTexture9* texture : state.textures) unbindResource(texture);
    unbindResource(state.stream0.buffer);
    unbindResource(state.indices);
}

StateTracker::StateTracker(const DeviceState& initial, InvalidCall invalid)
    : state_(initial), invalid_(std::move(invalid)) {
    bindStateResources(state_);
    for (DWORD stage = 0; stage < kTextureStages; ++stage)
        textureBindings_[stage] = boundResourceOf(state_.textures[stage]);
}

StateTracker::~StateTracker() { unbindStateResources(state_); }

HRESULT StateTracker::setRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (state >= D3DRS_MAX_INDEX) return invalid_("SetRenderState: unknown render state");
    DWORD& slot = state_.renderStates[state];
    if (slot == value) return D3D_OK;
    slot = value;
    dirty_ |= dirtyGroupsOfRenderState(state);
    return D3D_OK;
}

HRESULT StateTracker::getRenderState(D3DRENDERSTATETYPE state, DWORD* value) const {
    if (!value) return invalid_("GetRenderState: no place for the value");
    if (state >= D3DRS_MAX_INDEX) return invalid_("GetRenderState: unknown render state");
    *value = state_.renderStates[state];
    return D3D_OK;
}

HRESULT StateTracker::setTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    if (!matrix) return invalid_("SetTransform: no matrix");
    TransformSlot slot;
    if (!transformSlot(state, &slot)) return invalid_("SetTransform: transform not kept (vertex blending)");
    D3DMATRIX& stored = state_.transforms[slot];
    if (sameBytes(stored, *matrix)) return D3D_OK;
    stored = *matrix;
    // Lights are kept in camera space, so a new view moves them too.
    dirty_ |= kDirtyTransforms | (slot == kSlotView ? uint32_t(kDirtyLights) : 0u);
    return D3D_OK;
}

HRESULT StateTracker::getTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) const {
    TransformSlot slot;
    if (!matrix) return invalid_("GetTransform: no place for the matrix");
    if (!transformSlot(state, &slot)) return invalid_("GetTransform: transform not kept");
    *matrix = state_.transforms[slot];
    return D3D_OK;
}

HRESULT StateTracker::setViewport(const D3DVIEWPORT9* viewport, UINT targetWidth,
                                  UINT targetHeight) {
    if (!viewport) return invalid_("SetViewport: no viewport");
    if (viewport->Width == 0 || viewport->Height == 0 ||
        uint64_t(viewport->X) + viewport->Width > targetWidth ||
        uint64_t(viewport->Y) + viewport->Height > targetHeight)
        return invalid_("SetViewport: viewport empty or outside the render target");
    if (sameBytes(state_.viewport, *viewport)) return D3D_OK;
    state_.viewport = *viewport;
    dirty_ |= kDirtyViewport | kDirtyTransforms;
    return D3D_OK;
}

HRESULT StateTracker::getViewport(D3DVIEWPORT9* viewport) const {
    if (!viewport) return invalid_("GetViewport: no place for the viewport");
    *viewport = state_.viewport;
    return D3D_OK;
}

HRESULT StateTracker::setMaterial(const D3DMATERIAL9* material) {
    if (!material) return invalid_("SetMaterial: no material");
    if (sameBytes(state_.material, *material)) return D3D_OK;
    state_.material = *material;
    dirty_ |= kDirtyMaterial;
    return D3D_OK;
}

HRESULT StateTracker::getMaterial(D3DMATERIAL9* material) const {
    if (!material) return invalid_("GetMaterial: no place for the material");
    *material = state_.material;
    return D3D_OK;
}

HRESULT StateTracker::setLight(DWORD index, const D3DLIGHT9* light) {
    if (!light) return invalid_("SetLight: no light");
    if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL)
        return invalid_("SetLight: unknown light type");
    if (light->Type != D3DLIGHT_DIRECTIONAL && light->Range < 0.0f)
        return invalid_("SetLight: negative range");
    auto found = state_.lights.find(index);
    if (found != state_.lights.end() && sameBytes(found->second.light, *light)) return D3D_OK;
    LightEntry& entry = state_.lights[index];
    const bool typeChanged = found == state_.lights.end() || entry.light.Type != light->Type;
    entry.light = *light;
    if (entry.enabled) dirty_ |= kDirtyLights | (typeChanged ? uint32_t(kDirtyProgram) : 0u);
    return D3D_OK;
}

HRESULT StateTracker::getLight(DWORD index, D3DLIGHT9* light) const {
    if (!light) return invalid_("GetLight: no place for the light");
    auto found = state_.lights.find(index);
    if (found == state_.lights.end()) return invalid_("GetLight: light never set");
    *light = found->second.light;
    return D3D_OK;
}

HRESULT StateTracker::lightEnable(DWORD index, BOOL enable) {
    auto found = state_.lights.find(index);
    if (found == state_.lights.end()) {
        state_.lights[index].light = defaultLight();
        found = state_.lights.find(index);
    }
    const bool on = enable != FALSE;
    if (found->second.enabled == on) return D3D_OK;
    if (on && enabledCount(state_) >= int(kMaxActiveLights))
        return invalid_("LightEnable: more lights than the device can light at once");
    found->second.enabled = on;
    dirty_ |= kDirtyLights | kDirtyProgram;
    return D3D_OK;
}

HRESULT StateTracker::getLightEnable(DWORD index, BOOL* enable) const {
    if (!enable) return invalid_("GetLightEnable: no place for the answer");
    auto found = state_.lights.find(index);
    if (found == state_.lights.end()) return invalid_("GetLightEnable: light never set");
    *enable = found->second.enabled ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT StateTracker::setTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    if (stage >= kTextureStages) return invalid_("SetTexture: no such stage");
    IDirect3DBaseTexture9*& slot = state_.textures[stage];
    if (slot == texture) return D3D_OK;
    // One look-up serves the check and the binding: textures are set and
    // cleared around every screen-space draw.
    BoundResource* child = texture ? boundResourceOf(texture) : nullptr;
    if (texture && !child) return invalid_("SetTexture: not a texture of this device");
    const bool boundChanged = (slot == nullptr) != (texture == nullptr);
    if (child) child->addBinding();
    if (BoundResource* old = std::exchange(textureBindings_[stage], child)) old->releaseBinding();
    slot = texture;
    dirty_ |= kDirtyTexture | (boundChanged ? uint32_t(kDirtyProgram) : 0u);
    return D3D_OK;
}

HRESULT StateTracker::getTexture(DWORD stage, IDirect3DBaseTexture9** texture) const {
    if (!texture) return invalid_("GetTexture: no place for the texture");
    if (stage >= kTextureStages) return invalid_("GetTexture: no such stage");
    *texture = state_.textures[stage];
    if (*texture) (*texture)->AddRef();
    return D3D_OK;
}

HRESULT StateTracker::setTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage >= kTextureStages || type >= kStageStateCount)
        return invalid_("SetTextureStageState: no such stage or state");
    DWORD& slot = state_.stageStates[stage][type];
    if (slot == value) return D3D_OK;
    slot = value;
    if (stage == 0) dirty_ |= kDirtyProgram;
    return D3D_OK;
}

HRESULT StateTracker::getTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                           DWORD* value) const {
    if (!value) return invalid_("GetTextureStageState: no place for the value");
    if (stage >= kTextureStages || type >= kStageStateCount)
        return invalid_("GetTextureStageState: no such stage or state");
    *value = state_.stageStates[stage][type];
    return D3D_OK;
}

HRESULT StateTracker::setSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    if (sampler >= kTextureStages || type >= kSamplerStateCount)
        return invalid_("SetSamplerState: no such sampler or state");
    DWORD& slot = state_.samplerStates[sampler][type];
    if (slot == value) return D3D_OK;
    slot = value;
    if (sampler == 0) dirty_ |= kDirtySampler;
    return D3D_OK;
}

HRESULT StateTracker::getSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) const {
    if (!value) return invalid_("GetSamplerState: no place for the value");
    if (sampler >= kTextureStages || type >= kSamplerStateCount)
        return invalid_("GetSamplerState: no such sampler or state");
    *value = state_.samplerStates[sampler][type];
    return D3D_OK;
}

HRESULT StateTracker::setFVF(DWORD fvf) {
    if (state_.fvf == fvf) return D3D_OK;
    state_.fvf = fvf;
    dirty_ |= kDirtyVertexFormat | kDirtyProgram;
    return D3D_OK;
}

HRESULT StateTracker::getFVF(DWORD* fvf) const {
    if (!fvf) return invalid_("GetFVF: no place for the format");
    *fvf = state_.fvf;
    return D3D_OK;
}

HRESULT StateTracker::setStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                      UINT stride) {
    if (stream != 0) return invalid_("SetStreamSource: only stream 0 exists");
    if (buffer && !boundResourceOf(buffer)) return invalid_("SetStreamSource: not a buffer of this device");
    const StreamSource wanted{buffer, offset, stride};
    if (state_.stream0 == wanted) return D3D_OK;
    rebind(state_.stream0.buffer, buffer);
    state_.stream0.offset = offset;
    state_.stream0.stride = stride;
    dirty_ |= kDirtyStream;
    return D3D_OK;
}

HRESULT StateTracker::setIndices(IDirect3DIndexBuffer9* indices) {
    if (indices && !boundResourceOf(indices)) return invalid_("SetIndices: not a buffer of this device");
    if (state_.indices == indices) return D3D_OK;
    rebind(state_.indices, indices);
    dirty_ |= kDirtyIndices;
    return D3D_OK;
}

void StateTracker::apply(const DeviceState& captured, UINT targetWidth, UINT targetHeight) {
    for (DWORD i = 0; i < D3DRS_MAX_INDEX; ++i)
        setRenderState(D3DRENDERSTATETYPE(i), captured.renderStates[i]);
    for (size_t slot = 0; slot < kTransformSlots; ++slot) {
        if (sameBytes(state_.transforms[slot], captured.transforms[slot])) continue;
        state_.transforms[slot] = captured.transforms[slot];
        dirty_ |= kDirtyTransforms | (slot == kSlotView ? uint32_t(kDirtyLights) : 0u);
    }
    setViewport(&captured.viewport, targetWidth, targetHeight);
    setMaterial(&captured.material);
    for (const auto& [index, entry] : state_.lights)
        if (entry.enabled && !captured.lights.count(index)) lightEnable(index, FALSE);
    for (const auto& [index, entry] : captured.lights) {
        if (!entry.enabled) lightEnable(index, FALSE);
        setLight(index, &entry.light);
    }
    for (const auto& [index, entry] : captured.lights)
        if (entry.enabled) lightEnable(index, TRUE);
    for (DWORD stage = 0; stage < kTextureStages; ++stage) {
        setTexture(stage, captured.textures[stage]);
        for (DWORD type = 0; type < kStageStateCount; ++type)
            setTextureStageState(stage, D3DTEXTURESTAGESTATETYPE(type), captured.stageStates[stage][type]);
        for (DWORD type = 0; type < kSamplerStateCount; ++type)
            setSamplerState(stage, D3DSAMPLERSTATETYPE(type), captured.samplerStates[stage][type]);
    }
    setFVF(captured.fvf);
    setStreamSource(0, captured.stream0.buffer, captured.stream0.offset, captured.stream0.stride);
    setIndices(captured.indices);
}

}  // namespace pelmora::d3d9state
