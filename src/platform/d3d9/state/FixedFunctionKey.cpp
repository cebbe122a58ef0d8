#include "platform/d3d9/state/FixedFunctionKey.h"

#include "platform/d3d9/EngineExtensions.h"
#include "platform/d3d9/state/CapsTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pelmora::d3d9state {
namespace {

constexpr DWORD kSupportedFvfBits = D3DFVF_XYZ | D3DFVF_XYZRHW | D3DFVF_NORMAL | D3DFVF_PSIZE |
                                    D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEXCOUNT_MASK;

uint8_t resolveSource(DWORD requested, const FixedFunctionKey& key) {
    if (requested == D3DMCS_COLOR1 && key.hasDiffuse) return kFromDiffuse;
    if (requested == D3DMCS_COLOR2 && key.hasSpecular) return kFromSpecular;
    return kFromMaterial;
}

bool readVertexFormat(DWORD fvf, FixedFunctionKey* key, std::string* unsupported) {
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    if ((fvf != D3DFVF_SILHOUETTEEDGE && (fvf & ~kSupportedFvfBits) != 0) || (position != D3DFVF_XYZ && position != D3DFVF_XYZRHW)) {
        char text[64];
        std::snprintf(text, sizeof text, "vertex format 0x%X is not drawable", fvf);
        *unsupported = text;
        return false;
    }
    key->pretransformed = position == D3DFVF_XYZRHW;
    key->hasNormal = (fvf & D3DFVF_NORMAL) != 0;
    key->hasDiffuse = (fvf & D3DFVF_DIFFUSE) != 0;
    key->hasSpecular = (fvf & D3DFVF_SPECULAR) != 0;
    key->hasTexCoord = (fvf & D3DFVF_TEXCOUNT_MASK) != 0;
    return true;
}

void readLighting(const DeviceState& state, FixedFunctionKey* key) {
    key->lighting = !key->pretransformed && state.rs(D3DRS_LIGHTING) != FALSE;
    if (!key->lighting) return;
    const D3DLIGHT9* lights[kMaxActiveLights];
    key->lightCount = static_cast<uint8_t>(state.enabledLights(lights, kMaxActiveLights));
    for (int i = 0; i < key->lightCount; ++i) key->lightTypes[i] = static_cast<uint8_t>(lights[i]->Type);
    key->normalize = state.rs(D3DRS_NORMALIZENORMALS) != FALSE;
    key->localViewer = state.rs(D3DRS_LOCALVIEWER) != FALSE;
    if (state.rs(D3DRS_COLORVERTEX) == FALSE) return;
    key->diffuseSource = resolveSource(state.rs(D3DRS_DIFFUSEMATERIALSOURCE), *key);
    key->ambientSource = resolveSource(state.rs(D3DRS_AMBIENTMATERIALSOURCE), *key);
    key->specularSource = resolveSource(state.rs(D3DRS_SPECULARMATERIALSOURCE), *key);
    key->emissiveSource = resolveSource(state.rs(D3DRS_EMISSIVEMATERIALSOURCE), *key);
}

bool validArgument(DWORD argument) {
    return argument <= D3DTA_SPECULAR;  // modifiers (complement, alpha replicate) are not drawn
}

bool validOperation(DWORD operation) {
    return operation >= D3DTOP_DISABLE && operation <= D3DTOP_MODULATE;
}

bool readTextureStage(const DeviceState& state, bool textureBound, FixedFunctionKey* key,
                      std::string* unsupported) {
    const auto& stage = state.stageStates[0];
    key->textured = textureBound && key->hasTexCoord && stage[D3DTSS_COLOROP] != D3DTOP_DISABLE;
    if (!key->textured) return true;
    if (!validOperation(stage[D3DTSS_COLOROP]) || !validOperation(stage[D3DTSS_ALPHAOP])) {
        *unsupported = "texture stage 0 operation beyond DISABLE, SELECTARG1/2 and MODULATE";
        return false;
    }
    if (!validArgument(stage[D3DTSS_COLORARG1]) || !validArgument(stage[D3DTSS_COLORARG2]) ||
        !validArgument(stage[D3DTSS_ALPHAARG1]) || !validArgument(stage[D3DTSS_ALPHAARG2])) {
        *unsupported = "texture stage 0 argument with a modifier or an unknown source";
        return false;
    }
    key->colorOp = static_cast<uint8_t>(stage[D3DTSS_COLOROP]);
    key->colorArg1 = static_cast<uint8_t>(stage[D3DTSS_COLORARG1]);
    key->colorArg2 = static_cast<uint8_t>(stage[D3DTSS_COLORARG2]);
    key->alphaOp = static_cast<uint8_t>(stage[D3DTSS_ALPHAOP]);
    key->alphaArg1 = static_cast<uint8_t>(stage[D3DTSS_ALPHAARG1]);
    key->alphaArg2 = static_cast<uint8_t>(stage[D3DTSS_ALPHAARG2]);
    return true;
}

bool alphaPasses(DWORD function, int alpha, int reference) {
    switch (function) {
        case D3DCMP_NEVER: return false;
        case D3DCMP_LESS: return alpha < reference;
        case D3DCMP_EQUAL: return alpha == reference;
        case D3DCMP_LESSEQUAL: return alpha <= reference;
        case D3DCMP_GREATER: return alpha > reference;
        case D3DCMP_NOTEQUAL: return alpha != reference;
        case D3DCMP_GREATEREQUAL: return alpha >= reference;
        default: return true;
    }
}

// Interpolating a constant may move it by a rounding step, so the test must
// pass a little either side of the value, at the 8-bit precision the
// fragment stage compares at.
constexpr float kInterpolationSlack = 1e-4f;

int alphaLevel(float alpha) { return int(std::lround(std::clamp(alpha, 0.0f, 1.0f) * 255.0f)); }

bool constantAlphaPasses(const DeviceState& state, const FixedFunctionKey& key) {
    float alpha = 0;
    if (!fragmentAlphaIsConstant(state, key, &alpha)) return false;
    const int reference = int(state.rs(D3DRS_ALPHAREF) & 0xFF);
    return alphaPasses(key.alphaFunc, alphaLevel(alpha - kInterpolationSlack), reference) &&
           alphaPasses(key.alphaFunc, alphaLevel(alpha + kInterpolationSlack), reference);
}

}  // namespace

bool fragmentAlphaIsConstant(const DeviceState& state, const FixedFunctionKey& key, float* alpha) {
    if (key.textured || key.silhouette || key.pretransformed) return false;
    if (key.lighting) {
        if (key.diffuseSource != kFromMaterial) return false;
        *alpha = state.material.Diffuse.a;
        return true;
    }
    if (key.hasDiffuse) return false;
    *alpha = 1.0f;
    return true;
}

bool makeFixedFunctionKey(const DeviceState& state, bool textureBound, FixedFunctionKey* key,
                          std::string* unsupported) {
    *key = FixedFunctionKey{};
    if (!readVertexFormat(state.fvf, key, unsupported)) return false;
    readLighting(state, key);
    key->flat = state.rs(D3DRS_SHADEMODE) == D3DSHADE_FLAT;
    if (!readTextureStage(state, textureBound, key, unsupported)) return false;
    key->specularEnable = state.rs(D3DRS_SPECULARENABLE) != FALSE;
    const DWORD alphaFunc = state.rs(D3DRS_ALPHAFUNC);
    if (state.rs(D3DRS_ALPHATESTENABLE) != FALSE && alphaFunc != D3DCMP_ALWAYS) {
        if (alphaFunc < D3DCMP_NEVER || alphaFunc > D3DCMP_ALWAYS) {
            *unsupported = "alpha function " + std::to_string(alphaFunc);
            return false;
        }
        key->alphaFunc = static_cast<uint8_t>(alphaFunc);
        // A shader that may discard keeps a rasterizer from testing and
        // writing depth ahead of shading, so a test nothing fails is left out.
        if (constantAlphaPasses(state, *key)) key->alphaFunc = 0;
    }
    key->depthOff = key->pretransformed && state.rs(D3DRS_ZENABLE) == D3DZB_FALSE;
    if (state.fvf == D3DFVF_SILHOUETTEEDGE && state.rsFloat(D3DRS_SILHOUETTEWIDTH) > 0.0f) {
        // The edges' colour is in their vertices: nothing else applies.
        const FixedFunctionKey plain = *key;
        *key = FixedFunctionKey{};
        key->hasNormal = key->hasDiffuse = key->silhouette = 1;
        key->flat = plain.flat;
        key->alphaFunc = plain.alphaFunc;
    }
    return true;
}

}  // namespace pelmora::d3d9state
