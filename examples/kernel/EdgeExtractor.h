// The model edges of a tessellated body as polylines: its boundary (edges
// with one face) and its creases (edges where the shading normals break, or
// where more than two faces meet). Smooth surfaces share their vertices
// across facets, so the seams between facets of one surface are no edges,
// whatever the deviation; a box's rims and a cylinder's cap rims are.
#pragma once

#include "FacetMesh.h"

namespace samplekernel {

// Polylines as a facet set whose list holds, per polyline, its point count n
// and n vertex indices, then 0. A loop repeats its first point at its end.
// Vertices carry the normal (0, 0, 1).
FacetMesh extractEdges(const FacetMesh& body);

}  // namespace samplekernel
