// The scene pick and the rectangle selection: among the meshes a render of a
// frame tree draws (a scene index of them), the nearest under a pixel, or
// those inside or crossing a screen rectangle. Both go down the index's
// hierarchy of world boxes and ask only the meshes it cannot rule out.
#pragma once

#include "view/DXViewport.h"
#include "view/SceneIndex.h"

#include <vector>

namespace pelmora {

struct PlacedHit {
    PlacedMesh placed;       // mesh null when nothing is hit
    D3DXVECTOR3 point{};     // in world coordinates
    double distance = 0.0;   // from the front plane, along the sight line
};

// The nearest crossing under pixel (x, y) between the front and back planes.
// Each mesh is picked as pickMesh picks it, in its own space, the sight line
// carried through the inverse of its world transform; lineThreshold is the
// pick distance for lines in world units. Meshes whose bounds the sight line
// misses, or whose boxes lie wholly beyond a nearer hit, are not asked.
HRESULT pickScene(DXViewport& viewport, const SceneIndex& index, int x, int y,
                  double lineThreshold, PlacedHit* hit);

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
