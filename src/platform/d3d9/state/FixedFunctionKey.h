// What of the Direct3D state changes the code of a fixed-function program:
// vertex layout, lighting and the kinds of the enabled lights, colour sources,
// shading, the texture stage and the alpha test. Everything else is a uniform.
// Values irrelevant to the chosen path are zeroed, so equal pictures share a program.
#pragma once

#include "platform/d3d9/state/DeviceState.h"

#include <array>
#include <compare>
#include <cstdint>
#include <string>

namespace pelmora::d3d9state {

enum ColourSource : uint8_t { kFromMaterial = 0, kFromDiffuse = 1, kFromSpecular = 2 };

struct FixedFunctionKey {
    uint8_t pretransformed = 0;
    uint8_t hasNormal = 0;
    uint8_t hasDiffuse = 0;
    uint8_t hasSpecular = 0;
    uint8_t hasTexCoord = 0;
    uint8_t lighting = 0;
    uint8_t lightCount = 0;
    std::array<uint8_t, 8> lightTypes{};
    uint8_t normalize = 0;
    uint8_t localViewer = 0;
    uint8_t diffuseSource = 0;
    uint8_t ambientSource = 0;
    uint8_t specularSource = 0;
    uint8_t emissiveSource = 0;
    uint8_t flat = 0;
    uint8_t textured = 0;
    uint8_t colorOp = 0, colorArg1 = 0, colorArg2 = 0;
    uint8_t alphaOp = 0, alphaArg1 = 0, alphaArg2 = 0;
    uint8_t specularEnable = 0;
    uint8_t alphaFunc = 0;  // 0: no alpha test
    uint8_t depthOff = 0;   // pre-transformed depth forced to 0
    uint8_t silhouette = 0;  // silhouette-edge vertices expanded in the vertex stage

    auto operator<=>(const FixedFunctionKey&) const = default;
};

// The key for a draw with the given state; textureBound says whether stage 0
// has a texture. Fails with a reason for state the programs cannot express.
// An alpha test that every fragment of the draw passes is left out of the
// key (see fragmentAlphaIsConstant).
bool makeFixedFunctionKey(const DeviceState& state, bool textureBound, FixedFunctionKey* key,
                          std::string* unsupported);

// True when every fragment of a draw with this key has the same alpha,
// given in *alpha: the material's diffuse alpha for lit draws that take it
// from the material, opaque for unlit ones without vertex colours, never
// with a texture. The key then depends on the material and the alpha
// reference as well as on the states that mark the program dirty.
bool fragmentAlphaIsConstant(const DeviceState& state, const FixedFunctionKey& key, float* alpha);

}  // namespace pelmora::d3d9state
