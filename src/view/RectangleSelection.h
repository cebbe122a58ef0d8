// The rectangle selection: among the meshes a render of a frame tree draws
// (a scene index of them), those inside or crossing a rectangle of window
// pixels, judged by their vertices.
#pragma once

#include "view/DXViewport.h"
#include "view/SceneIndex.h"

#include <vector>

namespace pelmora {

enum class Selection { Inside, Crossing };

// The meshes whose vertices all (Inside) or some (Crossing) project inside
// the rectangle [left, right) x [top, bottom) of window pixels, in front of
// the eye, in the render's order. Meshes that hold no vertices (billboards,
// decals, grids) are not selected. Boxes wholly outside the rectangle are
// passed over and boxes wholly inside taken whole; only meshes whose box
// the rectangle's sides cross are judged vertex by vertex.
void selectInRectangle(DXViewport& viewport, const SceneIndex& index, const RECT& area,
                       Selection mode, std::vector<PlacedMesh>* selected);

}  // namespace pelmora
