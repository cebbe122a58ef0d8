// One geometry of a mesh: its vertices and its count-prefixed, 0-terminated
// index list. Solid meshes keep triangles only (3, i0, i1, i2 per face).
#pragma once

#include "geometry/MeshVertex.h"
#include "view/ViewVolume.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace pelmora {

struct FeatureEdges;
class PickTree;

struct SolidGeometry {
    std::vector<MeshVertex> vertices;
    std::vector<uint32_t> faces;
    uint32_t vertexCount = 0;
    // Faces for solid meshes; the list length for line meshes.
    uint32_t count = 0;
    // The outline edges of a solid body, found at its first draw with
    // edges and kept as long as this geometry is.
    std::shared_ptr<const FeatureEdges> featureEdges;
    // The hierarchy picks search, built at the first pick of this geometry.
    std::shared_ptr<const PickTree> pickTree;
    // The box around every vertex, found at the first view test and kept
    // as long as this geometry is.
    std::optional<ClipBox> bounds;
};

// Integers one stored triangle takes in a face list.
constexpr int kTriangleEntry = 4;

}  // namespace pelmora
