// The edges that outline a solid body's shape: open boundaries, edges shared
// by more than two faces, and edges where the faces' normals turn by more
// than a crease angle. Found once per geometry from the triangles alone, so
// a mesh with split vertices (one per face normal) gives the same edges as a
// welded one.
#pragma once

#include "meshops/SolidGeometry.h"
#include "platform/d3dx/d3dx9math.h"

#include <vector>

namespace pelmora {

// An edge between two faces that do not lie in one plane: a silhouette
// wherever one face turns towards the eye and the other away.
struct FacePairEdge {
    D3DXVECTOR3 a, b;
    D3DXVECTOR3 normal0, normal1;  // the two faces' unit normals
};

struct FeatureEdges {
    // Two points per edge, in the geometry's space.
    std::vector<D3DXVECTOR3> points;
    // Those of them that are no face pair below: open boundaries, edges of
    // more than two faces, and edges between faces in one plane.
    std::vector<D3DXVECTOR3> unpairedPoints;
    float creaseDegrees = 0.0f;
    // Every edge two faces share at an angle: first the sharp ones (those
    // that are also feature edges, so borders show them already), then the
    // smooth ones, each part with the edges whose faces turn alike next to
    // each other.
    std::vector<FacePairEdge> facePairs;
    uint32_t sharpPairs = 0;

    size_t edgeCount() const { return points.size() / 2; }
};

// The crease angle in degrees that edges between smooth faces must exceed
// to be drawn; 0 or less keeps every facet edge.
FeatureEdges extractFeatureEdges(const SolidGeometry& geometry, float creaseDegrees);

}  // namespace pelmora
