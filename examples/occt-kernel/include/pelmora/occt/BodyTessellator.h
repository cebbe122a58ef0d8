// Facets and model edges of one shape at one deviation, from one run of
// Open CASCADE's mesher: the edges are the polylines the mesher laid along
// the shape's topological edges, so they sit exactly on the facets' borders.
// Coordinates are the shape's own: each body places them with its frame.
#pragma once

#include "OcctBody.h"

#include <pelmora/host.h>

#include <vector>

namespace pelmora::occt {

// The faces of one colour group: the facet-set list 3, i0, i1, i2 ...,
// ended by 0, counter-clockwise seen from outside, normals from the surfaces.
struct FacetGroup {
    std::vector<FacetVertex> vertices;
    std::vector<int> faceList{0};
    int triangles = 0;
};

struct Tessellation {
    // By the shape's colour groups (OcctShape::groups), in their order.
    std::vector<FacetGroup> groups;
    int triangles = 0;
    // Polylines, one per topological edge: count, indices ..., ended by 0.
    // Seams (where a closed surface meets itself) and degenerate edges are
    // left out: they are no edges a user sees.
    std::vector<FacetVertex> edgeVertices;
    std::vector<int> edgeList{0};
    int edges = 0;
};

// The mesher's settings for a deviation the engine asks for, in world
// units of a model `modelSize` across (its box's diagonal):
// - The deviation tells how wide the view is at most: the engine asks
//   for a deviation by the view plane's half size h over the front plane
//   distance, and a fitted view sets the front plane at a quarter of the
//   model's size, so each deviation bounds h in world units.
// - A chord may stray half a pixel of a nominal 1000-pixel window at that
//   h (h / 1000): a part small on screen gets few facets whatever its own
//   size, and zooming onto it (a smaller deviation) refines it.
// - The angle a facet may span falls with the deviation, from 0.8 radians
//   (wide views) to 0.2 (close ones), so curved faces keep their shading;
//   but a body small on screen may span as much as keeps the arc of a
//   circle its own size within half the chord error, so its facets and
//   edges follow its size on screen too.
// - Floors against runaway counts when zoomed far in: the chord error
//   stays at least 2e-5 of the body's size and facet edges at least 1/500
//   of it (the mesher lays near-square facets on small fillets, and their
//   count would grow tenfold per halving without it).
struct Deflection {
    double linear;
    double angularRadians;
    double minimumSize;
};
Deflection deflectionFor(double deviation, double modelSize, double bodySize);

// Meshes the shape anew (earlier meshes of its faces are dropped first, so
// a coarser deviation gives coarser facets) and reads the result out, its
// faces sorted into the shape's colour groups.
Tessellation tessellate(const OcctShape& shape, const Deflection& deflection);

}  // namespace pelmora::occt
