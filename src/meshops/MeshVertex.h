// The 32-byte vertex of triangle meshes: position, normal, texture coordinates.
#pragma once

#include <pelmora/host.h>

#include "platform/d3d9/d3d9.h"

#include <cstddef>

namespace pelmora {

struct MeshVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
static_assert(sizeof(MeshVertex) == 32);
// Host facet vertices are copied in and handed back as they are.
static_assert(sizeof(FacetVertex) == sizeof(MeshVertex) &&
              offsetof(FacetVertex, nx) == offsetof(MeshVertex, nx) &&
              offsetof(FacetVertex, u) == offsetof(MeshVertex, u));

constexpr DWORD kMeshVertexFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;  // 0x112
static_assert(kMeshVertexFvf == 0x112);

}  // namespace pelmora
