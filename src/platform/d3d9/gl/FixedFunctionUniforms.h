// The uniforms the fixed-function programs read. Matrices are Direct3D's
// row-major memory uploaded unchanged: read as GLSL column-major, "M * v"
// then computes Direct3D's row-vector "v * M".
//
// Transforms change before nearly every draw (one world matrix per body), so
// they are plain uniforms of each program: drivers take those updates on a
// fast path, while rewriting a bound uniform buffer before each draw costs a
// revalidation of every stage's constants (tens of thousands of instructions
// a draw on Mesa) and makes a deferring rasterizer finish the draws queued
// on it. Lighting changes with the material (once per coloured part), so it
// is a plain uniform array too, sent to a program only when it changed since
// that program last had it. Pixel constants change rarely and stay in a
// std140 uniform block shared by all programs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pelmora::d3d9gl {

enum UniformBinding : uint32_t { kPixelBinding = 2 };

// Uploaded as two uniform arrays: the three matrices, then the two vectors.
constexpr int kTransformMatrices = 3;
constexpr int kTransformVectors = 2;
constexpr char kTransformMatricesName[] = "uTransformMatrices";
constexpr char kTransformVectorsName[] = "uTransformVectors";

// The matrices a body changes come first, so one upload of two sends them;
// the projection is sent only when it differs from what the program holds.
struct TransformBlock {
    float worldView[16];
    float normalMatrix[16];  // inverse transpose of worldView, upper 3x3
    float projection[16];
    float viewport[4];       // X, Y, Width, Height
    float pixelShift[4];     // clip-space shift per unit w, x and y: Direct3D's pixel centres;
                             // z: half the silhouette width in pixels, w: which silhouette edges show
};
// The matrices and the vectors each lie back to back, as the two uploads read them.
constexpr int kBodyMatrices = 2;  // worldView and normalMatrix
constexpr char kProjectionElementName[] = "uTransformMatrices[2]";
static_assert(offsetof(TransformBlock, projection) == kBodyMatrices * 16 * sizeof(float));
static_assert(offsetof(TransformBlock, viewport) == kTransformMatrices * 16 * sizeof(float));
static_assert(sizeof(TransformBlock) == (kTransformMatrices * 16 + kTransformVectors * 4) * sizeof(float));

struct LightBlockEntry {
    float diffuse[4];
    float specular[4];
    float ambient[4];
    float position[4];   // camera space
    float direction[4];  // camera space, normalised
    float cone[4];       // range, falloff, cos(theta / 2), cos(phi / 2)
    float attenuation[4];
};

// The lighting array: the material part (the first six vectors of
// LightingBlock), then seven vectors for each light the program reads.
constexpr int kMaterialVectors = 6;
constexpr int kLightVectors = 7;
constexpr char kLightingName[] = "uLighting";

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

static_assert(offsetof(LightingBlock, lights) == kMaterialVectors * 4 * sizeof(float));
static_assert(sizeof(LightBlockEntry) == kLightVectors * 4 * sizeof(float));

}  // namespace pelmora::d3d9gl
