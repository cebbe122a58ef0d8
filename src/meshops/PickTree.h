// A bounding-volume hierarchy over one geometry's triangles or line segments,
// built at the geometry's first pick and kept as long as the geometry is. It
// answers exactly what the brute-force loops of RayPick answer: the crossing
// nearest to the ray's origin (the first in list order among equals), or the
// first segment in list order within the threshold, whatever lies nearer.
#pragma once

#include "meshops/RayPick.h"
#include "meshops/TriangleIndices.h"

#include <cstdint>
#include <vector>

namespace pelmora {

class PickTree {
public:
    // The triangles of a count-prefixed face list, read as pickFaceList reads it.
    static PickTree forFaces(const MeshData& faces);
    // A solid's triangles, in their order, as forFaces reads the list they make.
    static PickTree forTriangles(VertexPositions vertices, uint32_t vertexCount,
                                 const TriangleIndices& triangles);
    // The segments of a line list, read as pickLineRuns reads it.
    static PickTree forLines(const MeshData& lines);

    // The same answers as pickFaceList and pickLineRuns over the data the
    // tree was built from. Faces are read through the tree alone: their
    // list is not needed.
    bool pickFace(const RayLine& ray, const MeshData& faces, D3DXVECTOR3* hit) const;
    bool pickLine(const RayLine& ray, const MeshData& lines, double threshold,
                  D3DXVECTOR3* hit) const;

    size_t primitiveCount() const { return primitives_.size() + unbounded_.size(); }

    // A triangle (three vertex indices) or a segment (the first two), with
    // its place among the list's primitives.
    struct Primitive {
        uint32_t ordinal;
        uint32_t index[3];
    };

private:
    // Children of an inner node: the next node and node `far`; a leaf holds
    // primitives [first, first + count).
    struct Node {
        float lo[3];
        float hi[3];
        uint32_t firstOrFar;
        uint32_t count;  // 0 for an inner node
        uint32_t minOrdinal;
    };

    friend class PickTreeBuilder;

    std::vector<Node> nodes_;
    std::vector<Primitive> primitives_;
    // Primitives with a coordinate that is not finite: no box holds them, so
    // every pick tests them one by one.
    std::vector<Primitive> unbounded_;
};

}  // namespace pelmora
