#include "platform/d3d9/state/DeviceState.h"

#include "platform/d3d9/EngineExtensions.h"
#include <cstring>

namespace pelmora::d3d9state {
namespace {

DWORD floatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

struct RenderStateDefault {
    D3DRENDERSTATETYPE state;
    DWORD value;
    uint32_t dirty;
};

// Direct3D 9's documented defaults for the states the device knows, and what
// a change to each one makes stale.
const RenderStateDefault kRenderStates[] = {
    {D3DRS_ZENABLE, D3DZB_FALSE, kDirtyDepth | kDirtyProgram},
    {D3DRS_FILLMODE, D3DFILL_SOLID, kDirtyRaster},
    {D3DRS_SHADEMODE, D3DSHADE_GOURAUD, kDirtyProgram},
    {D3DRS_ZWRITEENABLE, TRUE, kDirtyDepth},
    {D3DRS_ALPHATESTENABLE, FALSE, kDirtyProgram},
    {D3DRS_LASTPIXEL, TRUE, 0},
    {D3DRS_SRCBLEND, D3DBLEND_ONE, kDirtyBlend},
    {D3DRS_DESTBLEND, D3DBLEND_ZERO, kDirtyBlend},
    {D3DRS_CULLMODE, D3DCULL_CCW, kDirtyRaster},
    {D3DRS_ZFUNC, D3DCMP_LESSEQUAL, kDirtyDepth},
    {D3DRS_ALPHAREF, 0, kDirtyPixelConstants},
    {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS, kDirtyProgram},
    {D3DRS_DITHERENABLE, FALSE, 0},
    {D3DRS_ALPHABLENDENABLE, FALSE, kDirtyBlend},
    {D3DRS_FOGENABLE, FALSE, 0},
    {D3DRS_SPECULARENABLE, FALSE, kDirtyProgram},
    {D3DRS_FOGCOLOR, 0, 0},
    {D3DRS_FOGTABLEMODE, 0, 0},
    {D3DRS_RANGEFOGENABLE, FALSE, 0},
    {D3DRS_STENCILENABLE, FALSE, 0},
    {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF, kDirtyPixelConstants},
    {D3DRS_WRAP0, 0, 0},
    {D3DRS_CLIPPING, TRUE, 0},
    {D3DRS_LIGHTING, TRUE, kDirtyProgram},
    {D3DRS_AMBIENT, 0, kDirtyMaterial},
    {D3DRS_FOGVERTEXMODE, 0, 0},
    {D3DRS_COLORVERTEX, TRUE, kDirtyProgram},
    {D3DRS_LOCALVIEWER, TRUE, kDirtyProgram},
    {D3DRS_NORMALIZENORMALS, FALSE, kDirtyProgram},
    {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1, kDirtyProgram},
    {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2, kDirtyProgram},
    {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL, kDirtyProgram},
    {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL, kDirtyProgram},
    {D3DRS_VERTEXBLEND, 0, 0},
    {D3DRS_CLIPPLANEENABLE, 0, 0},
    {D3DRS_POINTSIZE, 0x3F800000 /* 1.0f */, kDirtyRaster},
    {D3DRS_MULTISAMPLEANTIALIAS, TRUE, 0},
    {D3DRS_MULTISAMPLEMASK, 0xFFFFFFFF, 0},
    {D3DRS_COLORWRITEENABLE, 0xF, kDirtyColorMask},
    {D3DRS_BLENDOP, D3DBLENDOP_ADD, kDirtyBlend},
    {D3DRS_SCISSORTESTENABLE, FALSE, 0},
    {D3DRS_SLOPESCALEDEPTHBIAS, 0, kDirtyDepthBias},
    {D3DRS_ANTIALIASEDLINEENABLE, FALSE, kDirtyRaster},
    {D3DRS_DEPTHBIAS, 0, kDirtyDepthBias},
    {D3DRS_SEPARATEALPHABLENDENABLE, FALSE, 0},
    {D3DRS_SILHOUETTEWIDTH, 0, kDirtyProgram | kDirtyTransforms},
    {D3DRS_SILHOUETTESHOW, D3DSILHOUETTE_OUTLINE, kDirtyTransforms},
};

void setStageDefaults(DeviceState* state) {
    for (DWORD stage = 0; stage < kTextureStages; ++stage) {
        auto& stageState = state->stageStates[stage];
        const bool first = stage == 0;
        stageState[D3DTSS_COLOROP] = first ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        stageState[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        stageState[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        stageState[D3DTSS_ALPHAOP] = first ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        stageState[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        stageState[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        stageState[D3DTSS_TEXCOORDINDEX] = stage;
        auto& sampler = state->samplerStates[stage];
        sampler[D3DSAMP_ADDRESSU] = sampler[D3DSAMP_ADDRESSV] = sampler[D3DSAMP_ADDRESSW] =
            D3DTADDRESS_WRAP;
        sampler[D3DSAMP_MAGFILTER] = sampler[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        sampler[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    }
}

}  // namespace

float DeviceState::rsFloat(D3DRENDERSTATETYPE state) const {
    float value;
    std::memcpy(&value, &renderStates[state], sizeof value);
    return value;
}

int DeviceState::enabledLights(const D3DLIGHT9* out[], int capacity) const {
    int count = 0;
    for (const auto& [index, entry] : lights) {
        if (!entry.enabled) continue;
        if (count == capacity) break;
        out[count++] = &entry.light;
    }
    return count;
}

D3DMATRIX identityMatrix() {
    D3DMATRIX matrix{};
    matrix._11 = matrix._22 = matrix._33 = matrix._44 = 1.0f;
    return matrix;
}

DeviceState defaultDeviceState(const D3DVIEWPORT9& viewport, bool hasDepthBuffer) {
    DeviceState state;
    for (const RenderStateDefault& entry : kRenderStates) state.renderStates[entry.state] = entry.value;
    state.renderStates[D3DRS_ZENABLE] = hasDepthBuffer ? D3DZB_TRUE : D3DZB_FALSE;
    state.renderStates[D3DRS_DEPTHBIAS] = floatBits(0.0f);
    for (D3DMATRIX& matrix : state.transforms) matrix = identityMatrix();
    state.viewport = viewport;
    setStageDefaults(&state);
    return state;
}

bool transformSlot(D3DTRANSFORMSTATETYPE state, TransformSlot* slot) {
    if (state == D3DTS_VIEW) *slot = kSlotView;
    else if (state == D3DTS_PROJECTION) *slot = kSlotProjection;
    else if (state == D3DTS_WORLD) *slot = kSlotWorld;
    else if (state >= D3DTS_TEXTURE0 && state < D3DTS_TEXTURE0 + 8)
        *slot = static_cast<TransformSlot>(kSlotTexture0 + (state - D3DTS_TEXTURE0));
    else
        return false;
    return true;
}

uint32_t dirtyGroupsOfRenderState(D3DRENDERSTATETYPE state) {
    static const auto table = [] {
        std::array<uint32_t, D3DRS_MAX_INDEX> groups{};
        for (const RenderStateDefault& entry : kRenderStates) groups[entry.state] = entry.dirty;
        return groups;
    }();
    return state < D3DRS_MAX_INDEX ? table[state] : 0;
}

D3DLIGHT9 defaultLight() {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    light.Direction = {0.0f, 0.0f, 1.0f};
    return light;
}

}  // namespace pelmora::d3d9state
