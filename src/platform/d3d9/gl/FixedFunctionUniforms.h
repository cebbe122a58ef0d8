// The uniform blocks the fixed-function programs read, laid out as std140.
// Matrices are Direct3D's row-major memory uploaded unchanged: read as GLSL
// column-major, "M * v" then computes Direct3D's row-vector "v * M".
#pragma once

#include <cstdint>

namespace pelmora::d3d9gl {

enum UniformBinding : uint32_t { kTransformBinding = 0, kLightingBinding = 1, kPixelBinding = 2 };

struct TransformBlock {
    float worldView[16];
    float projection[16];
    float normalMatrix[16];  // inverse transpose of worldView, upper 3x3
    float viewport[4];       // X, Y, Width, Height
    float pixelShift[4];     // clip-space shift per unit w, x and y: Direct3D's pixel centres
};

struct LightBlockEntry {
    float diffuse[4];
    float specular[4];
    float ambient[4];
    float position[4];   // camera space
    float direction[4];  // camera space, normalised
    float cone[4];       // range, falloff, cos(theta / 2), cos(phi / 2)
    float attenuation[4];
};

struct LightingBlock {
    float materialDiffuse[4];
    float materialAmbient[4];
    float materialSpecular[4];
    float materialEmissive[4];
    float globalAmbient[4];
    float power[4];
    LightBlockEntry lights[8];
};

struct PixelBlock {
    float textureFactor[4];
    float alphaReference[4];  // x: ALPHAREF as 0..255
};

}  // namespace pelmora::d3d9gl
