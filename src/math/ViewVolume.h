// Whether a box can show in a view: its eight corners taken to clip space and
// tested against the six planes of the view volume (D3D's, depth 0 to w).
// The tests are linear in homogeneous coordinates, so a perspective box that
// reaches behind the eye is judged correctly without dividing by w.
#pragma once

#include "platform/d3dx/d3dx9math.h"

namespace pelmora {

// An axis-aligned box in the space the matrix starts from.
struct ClipBox {
    float minimum[3];
    float maximum[3];
};

// True only when every corner lies beyond one and the same plane of the
// volume, whose sides are pushed out by margin (a share of the half width
// and half height: 2 pixels of a 200-pixel view are 0.02) for what is drawn
// wider than its geometry. A box with NaN in it, or a matrix with NaN in it,
// is never outside: culling only skips what surely cannot show.
bool boxOutsideView(const ClipBox& box, const D3DXMATRIX& toClip, float marginX, float marginY);

}  // namespace pelmora
