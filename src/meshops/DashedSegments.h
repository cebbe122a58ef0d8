// Segments cut into dashes of a fixed length on screen, for hidden edges: the
// pattern is laid out along each segment's projection and mapped back to
// points on the segment, so perspective does not stretch the far dashes.
#pragma once

#include "platform/d3dx/d3dx9math.h"

#include <vector>

namespace pelmora {

struct DashPattern {
    float on = 6.0f;   // pixels drawn
    float off = 4.0f;  // pixels left out
};

// Replaces `dashes` with two points per dash of the segments in `points`
// (two points a segment), seen through `transform` (to clip space) on a
// viewport of the given size. Segments reaching behind the eye are left out.
void dashSegments(const std::vector<D3DXVECTOR3>& points, const D3DXMATRIX& transform,
                  float viewportWidth, float viewportHeight, const DashPattern& pattern,
                  std::vector<D3DXVECTOR3>* dashes);

}  // namespace pelmora
