// What the host's mesh questions carry in and out: a pick along a ray, the
// geometry a mesh hands out, and a mesh projected to screen or paper.
#pragma once

#include "meshops/MeshVertex.h"
#include "meshops/VertexPositions.h"
#include "platform/d3dx/d3dx9math.h"

#include <cstdint>
#include <vector>

namespace pelmora {

// The status of a mesh that holds nothing a host could read or project (solid,
// textured, dot and grid meshes). A host sees it as null arrays.
inline constexpr HRESULT kMeshHoldsNoData = 13;

// A pick in the mesh's own coordinates: the host has already taken the ray
// into that space. The pixel is read only by screen-aligned meshes, the two
// thresholds only by line meshes.
struct PickRequest {
    int x = 0;
    int y = 0;
    D3DXVECTOR3 origin{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 direction{0.0f, 0.0f, 0.0f};
    double threshold = 0.0;
    double backThreshold = 0.0;
};

struct PickResult {
    bool hit = false;
    D3DXVECTOR3 point{0.0f, 0.0f, 0.0f};
};

// A mesh's current geometry: the positions of its vertices and its whole
// count-prefixed list. Both stay valid until the geometry changes.
struct MeshData {
    VertexPositions vertices;
    uint32_t vertexCount = 0;
    const uint32_t* list = nullptr;
    uint32_t listLength = 0;
};

// Projected points as x, y pairs, and the count-prefixed list that joins them:
// a list of its own when the projection made one (clipped runs), else the
// mesh's own list, borrowed rather than copied (valid while the geometry is).
struct ProjectedMesh {
    std::vector<float> points;
    std::vector<int32_t> list;
    const uint32_t* meshList = nullptr;
    uint32_t meshListLength = 0;

    size_t pointCount() const { return points.size() / 2; }
    // Empty again, keeping the storage: one projection reused call after call allocates nothing.
    void clear() {
        points.clear();
        list.clear();
        meshList = nullptr;
        meshListLength = 0;
    }
    // Whichever list the projection holds; signed as the host receives it.
    const int32_t* listData() const {
        return meshList ? reinterpret_cast<const int32_t*>(meshList) : list.data();
    }
    size_t listLength() const { return meshList ? meshListLength : list.size(); }
};

}  // namespace pelmora
