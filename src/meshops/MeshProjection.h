// A mesh's vertices carried to paper or to a viewport's pixels. Both take the
// geometry as stored and a transform from mesh to world coordinates.
#pragma once

#include "meshops/MeshQueries.h"
#include "platform/d3d9/d3d9.h"
#include "math/ScreenTransforms.h"

namespace pelmora {

// Paper placement of a print projection: the page height flips y downwards,
// the offsets move the drawing before the scale applies.
struct PrintLayout {
    double scale = 1.0;
    double height = 0.0;
    double offsetX = 0.0;
    double offsetY = 0.0;
};

// What a screen projection reads of a viewport: the chain from world to clip
// space (camera transform, view, projection, size) and the device viewport.
// The chain is the one the viewport draws with, camera transform included, so
// projected points agree with viewportTransform and with the clipped pieces.
struct ScreenView {
    ViewTransforms transforms;
    D3DVIEWPORT9 rect;
};

// Flat projection: x and y of the transformed point, no perspective, moved by
// the offsets, flipped against the page height and scaled. The list is the
// mesh's whole list.
void projectForPrint(const MeshData& mesh, const D3DXMATRIX& transform, const PrintLayout& layout,
                     ProjectedMesh* projected);

// Screen projection. Nothing when the vertices' outcodes show the mesh off
// screen; every vertex and the whole list when all lie inside; otherwise the
// list read as line runs, each segment clipped to the view, and the visible
// pieces joined into new runs.
void projectForScreen(const MeshData& mesh, const D3DXMATRIX& transform, const ScreenView& view,
                      ProjectedMesh* projected);

// The outcode of a clip-space point: 0x1 left, 0x2 right, 0x8 below, 0x4
// above, 0x10 in front of the front plane, 0x20 beyond the back plane.
unsigned clipOutcode(const D3DXVECTOR4& clip);
// The same from normalised coordinates (clip x, y, z divided by w).
unsigned normalisedOutcode(float x, float y, float z);

// Follows outcodes in vertex order: rejected() is true when they show the
// mesh wholly off screen (see rejectedByOutcodes).
class OutcodeRun {
public:
    void add(unsigned code);
    bool rejected() const { return rejected_; }

private:
    bool accepted_ = false;
    bool rejected_ = false;
    unsigned seen_ = 0;
    size_t count_ = 0;
};

// True when the outcodes, in vertex order, show the mesh wholly off screen:
// no vertex inside, and each vertex after the first outside only on sides
// that earlier vertices were already outside on.
bool rejectedByOutcodes(const unsigned* codes, size_t count);

}  // namespace pelmora
