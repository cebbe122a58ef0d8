// Facets and model edges of one body at one deviation, from one run of
// Open CASCADE's mesher: the edges are the polylines the mesher laid along
// the body's topological edges, so they sit exactly on the facets' borders.
#pragma once

#include <pelmora/host.h>

#include <TopoDS_Shape.hxx>

#include <vector>

namespace occtkernel {

struct Tessellation {
    // Triangles: per face the facet-set list 3, i0, i1, i2 ..., ended by 0,
    // counter-clockwise seen from outside, normals from the surfaces.
    std::vector<FacetVertex> faceVertices;
    std::vector<int> faceList{0};
    int triangles = 0;
    // Polylines, one per topological edge: count, indices ..., ended by 0.
    // Seams (where a closed surface meets itself) and degenerate edges are
    // left out: they are no edges a user sees.
    std::vector<FacetVertex> edgeVertices;
    std::vector<int> edgeList{0};
    int edges = 0;
};

// The deflections the mesher gets for a deviation: the angular one is the
// deviation read as the largest angle in degrees a facet may span (kept
// between 0.25 and 60 degrees); the linear one is the sagitta of an arc of
// that angle on a circle as large as the body. Facet edges stay at least
// 1/500 of the body's size: the mesher lays near-square facets on small
// fillets, and at a degree or below their count would grow tenfold per
// halving (a 58 mm flange with 2 mm fillets: 277,576 triangles at 1 degree,
// 28,660 with this floor), so small features stop refining there.
struct Deflection {
    double linear;
    double angularRadians;
    double minimumSize;
};
Deflection deflectionFor(double deviation, double bodySize);

// Meshes the shape anew (earlier meshes of its faces are dropped first, so
// a coarser deviation gives coarser facets) and reads the result out.
Tessellation tessellate(const TopoDS_Shape& shape, double deviation, double bodySize);

}  // namespace occtkernel
