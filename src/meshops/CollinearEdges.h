// Runs of face-pair edges that continue one another along a straight line
// between the same two planes, joined into one edge each. A kernel often
// splits a straight border where its triangulation of the faces beside it
// needs a vertex; drawn as they are, such runs cost the rasterizer one line
// set-up per piece for what shows as one line.
#pragma once

#include "meshops/FeatureEdges.h"

#include <vector>

namespace pelmora {

// Joins, in place, every run of edges that meet end to end at points no
// other edge of the list touches, lie on one line and have the same two face
// normals (in either order). An edge that continues no other stays as it is.
void joinCollinearRuns(std::vector<FacePairEdge>* pairs);

}  // namespace pelmora
