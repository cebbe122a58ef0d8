// The device buffers of a solid's silhouette candidates: a quad of four
// silhouette-edge vertices per face-pair edge, which the device's vertex
// stage widens on screen where the edge is a silhouette and collapses
// elsewhere, so following the camera costs no work here.
#pragma once

#include "geometry/FeatureEdges.h"
#include "geometry/MeshBatch.h"

#include <memory>

namespace pelmora {

struct SilhouetteVertex {
    float x, y, z;
    float nx, ny, nz;  // one face's normal
    D3DCOLOR colour;
    float otherNormal[3];
    float otherEnd[3];
    float side;  // +1 or -1
};
static_assert(sizeof(SilhouetteVertex) == 56);

// Four vertices an edge: (a, +1), (a, -1), (b, +1), (b, -1).
void writeSilhouetteVertices(SilhouetteVertex* out, const FeatureEdges& edges, D3DCOLOR colour);

// A batch with no buffers when there are no face pairs or a buffer could
// not be made (logged).
std::unique_ptr<MeshBatch> makeSilhouetteBatch(IDirect3DDevice9* device, const FeatureEdges& edges,
                                               D3DCOLOR colour);

}  // namespace pelmora
