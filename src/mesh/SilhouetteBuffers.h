// The device buffers of a solid's edges for the device's silhouette vertex
// stage: its feature edges that are no face pair first, with no face normals
// so that they always show, then its face-pair edges, the sharp ones first,
// which the vertex stage shows or collapses by the way their faces turn (see
// D3DRS_SILHOUETTESHOW), so following the camera costs no work here. Each
// edge is a line (two vertices, side 0) or a quad (four vertices, sides +1
// and -1, six indices).
#pragma once

#include "meshops/FeatureEdges.h"
#include "mesh/MeshBatch.h"

#include <memory>

namespace pelmora {

struct SilhouetteVertex {
    float x, y, z;
    float nx, ny, nz;  // one face's normal
    D3DCOLOR colour;
    float otherNormal[3];
    float otherEnd[3];
    float side;  // +1 or -1 across a quad, 0 on a line
};
static_assert(sizeof(SilhouetteVertex) == 56);

enum class EdgeShape { Line, Quad };

constexpr UINT verticesPerEdge(EdgeShape shape) { return shape == EdgeShape::Line ? 2 : 4; }

// The vertices of every edge, unpaired feature edges then face pairs: a line
// is (a, b), a quad (a, +1), (a, -1), (b, +1), (b, -1).
void writeSilhouetteVertices(SilhouetteVertex* out, const FeatureEdges& edges, D3DCOLOR colour, EdgeShape shape);

// A batch with no buffers when there are no edges or a buffer could not be
// made (logged). Lines are drawn without indices.
std::unique_ptr<MeshBatch> makeSilhouetteBatch(IDirect3DDevice9* device, const FeatureEdges& edges,
                                               D3DCOLOR colour, EdgeShape shape);

// Draws edges [first, first + count) of such a batch, already set as the
// device's stream (and indices).
HRESULT drawSilhouetteEdges(IDirect3DDevice9* device, EdgeShape shape, uint32_t first,
                            uint32_t count);

}  // namespace pelmora
