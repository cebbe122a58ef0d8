// The scene pick and the rectangle selection: among the meshes a render of a
// frame tree draws, the nearest under a pixel, or those inside or crossing a
// screen rectangle. The tree is walked as the render walks it: each frame's
// local transform composed onto its parent's world, hidden frames skipped
// with their subtrees, hidden and never-rendered meshes skipped.
#pragma once

#include "mesh/DXMesh.h"
#include "scene/DXFrame.h"
#include "view/DXViewport.h"

#include <vector>

namespace pelmora {

// One drawing of a mesh: the frame that holds it and its world transform.
struct PlacedMesh {
    DXMesh* mesh = nullptr;
    const DXFrame* frame = nullptr;
    D3DMATRIX world{};
};

// The meshes a render of root draws, in the render's order (a frame's
// visuals, then its children); hidden ones too when includeHidden is set.
void placedMeshes(const DXFrame& root, bool includeHidden, std::vector<PlacedMesh>* placed);

struct SceneHit {
    PlacedMesh placed;       // mesh null when nothing is hit
    D3DXVECTOR3 point{};     // in world coordinates
    double distance = 0.0;   // from the front plane, along the sight line
};

// The nearest crossing under pixel (x, y) between the front and back planes.
// Each mesh is picked as pickMesh picks it, in its own space, the sight line
// carried through the inverse of its world transform; lineThreshold is the
// pick distance for lines in world units. Meshes whose bounds the sight line
// misses are not asked.
HRESULT pickScene(DXViewport& viewport, const std::vector<PlacedMesh>& placed, int x, int y,
                  double lineThreshold, SceneHit* hit);

enum class Selection { Inside, Crossing };

// The meshes whose vertices all (Inside) or some (Crossing) project inside
// the rectangle [left, right) x [top, bottom) of window pixels, in front of
// the eye. Meshes that hold no vertices (billboards, decals, grids) are not
// selected.
void selectInRectangle(DXViewport& viewport, const std::vector<PlacedMesh>& placed, const RECT& area,
                       Selection mode, std::vector<PlacedMesh>* selected);

}  // namespace pelmora
