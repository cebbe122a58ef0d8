// The reference scene of the rendering benchmarks: a CAD-like assembly of
// tessellated bodies (spheres, tori, chamfered shafts) on a 10x10x10 grid,
// one directional light, one material and a camera that sees all of it.
// Generated, so every run draws exactly the same data.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <cstdint>
#include <vector>

namespace pelmora::bench {

// D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1 (0x112): 32 bytes a vertex.
struct SceneVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
constexpr DWORD kSceneFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
static_assert(sizeof(SceneVertex) == 32);

struct Body {
    std::vector<SceneVertex> vertices;
    std::vector<uint16_t> indices;  // triangle list
    D3DMATRIX world;                // rotation, uniform scale, translation

    UINT triangleCount() const { return UINT(indices.size() / 3); }
};

struct ReferenceScene {
    std::vector<Body> bodies;
    D3DMATRIX view;
    D3DMATRIX projection;
    D3DLIGHT9 light;
    D3DMATERIAL9 material;
    D3DCOLOR ambient;     // D3DRS_AMBIENT
    D3DCOLOR background;  // clear colour

    uint64_t triangleCount() const;
};

constexpr int kReferenceBodies = 1000;
constexpr int kTrianglesPerBody = 1000;

// bodyCount bodies of kTrianglesPerBody triangles each, seen through a
// width x height target. Smaller counts fill the grid from one corner.
ReferenceScene makeReferenceScene(int bodyCount, UINT width, UINT height);

}  // namespace pelmora::bench
