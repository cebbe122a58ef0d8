// One geometry of a mesh. Line meshes and billboards keep their vertices and
// their count-prefixed, 0-terminated lists (polylines, quads) in `vertices`
// and `faces`. Solid meshes keep theirs compactly, in `surface` and
// `triangles`; for a solid, `vertices` and `faces` hold only what hosts are
// handed (the whole vertices, and 3, i0, i1, i2 per face then 0), made at
// the first such reading (listSolidFaces, listSolidVertices) and kept as
// long as the geometry is.
#pragma once

#include "meshops/BoxProxy.h"
#include "meshops/MeshQueries.h"
#include "meshops/MeshVertex.h"
#include "meshops/SurfaceVertices.h"
#include "meshops/TriangleIndices.h"
#include "math/ViewVolume.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace pelmora {

struct FeatureEdges;
class PickTree;
struct MeshBatch;
class SharedEdges;

// A number no other geometry of this process has had, so a draw can tell
// "the same geometry" from "another one at the same address".
uint64_t nextGeometryStamp();

struct SolidGeometry {
    uint64_t stamp = nextGeometryStamp();
    std::vector<MeshVertex> vertices;
    std::vector<uint32_t> faces;
    SurfaceVertices surface;
    TriangleIndices triangles;
    // Whether surface and triangles hold this geometry (a solid's, once its
    // faces were read in).
    bool compact = false;
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
    // Whether both sides of a solid's faces show (the host's facets say so
    // for a fetched geometry).
    bool doubleSided = false;
    // The box the level-of-detail test reads, for geometries large enough
    // to be worth the test; meshes showing this geometry take it.
    std::shared_ptr<const BoxProxy> proxy;
    // The device buffers made from this geometry, held by the meshes that
    // draw it: instances of one part draw from one set.
    std::weak_ptr<MeshBatch> deviceBuffers;
    // The silhouette lists its instances share, made at their first draws with edges.
    std::shared_ptr<SharedEdges> sharedEdges;
};

// Integers one stored triangle takes in a face list.
constexpr int kTriangleEntry = 4;

// The positions of the geometry's vertices, in whichever form it keeps them.
VertexPositions positionsOf(const SolidGeometry& geometry);
// Vertices held (at most vertexCount).
uint32_t heldVertices(const SolidGeometry& geometry);
// The count-prefixed list, made afresh.
std::vector<uint32_t> faceListOf(const SolidGeometry& geometry);
// The count-prefixed list; a solid's is made at the first call and kept.
const std::vector<uint32_t>& listSolidFaces(SolidGeometry& geometry);
// The whole vertices; a solid's are made at the first call and kept.
const std::vector<MeshVertex>& listSolidVertices(SolidGeometry& geometry);
// The positions and the count-prefixed list, for projections and readers of lists.
MeshData meshDataOf(SolidGeometry& geometry);

}  // namespace pelmora
