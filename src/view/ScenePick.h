// The scene pick: among the meshes a render of a frame tree draws (a scene
// index of them), the nearest under a pixel. It goes down the index's
// hierarchy of world boxes and asks only the meshes it cannot rule out.
#pragma once

#include "view/DXViewport.h"
#include "view/SceneIndex.h"

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

}  // namespace pelmora
