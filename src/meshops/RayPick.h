// Picking triangles and line segments along a ray. The test is against the whole line through
// the ray's origin, so crossings behind the origin count as well: a host's
// selection ray starts on the back plane and points away from the viewer.
#pragma once

#include "meshops/MeshQueries.h"

namespace pelmora {

struct RayLine {
    D3DXVECTOR3 origin;
    D3DXVECTOR3 direction;
};

// The point where the line crosses triangle (p0, p1, p2), edges included;
// false for a miss or a triangle seen edge-on.
bool intersectTriangle(const RayLine& ray, const D3DXVECTOR3& p0, const D3DXVECTOR3& p1,
                       const D3DXVECTOR3& p2, D3DXVECTOR3* hit);

// One face of a list as the face-list pick tests it: the crossing point and
// its distance from the ray's origin.
bool crossFace(const RayLine& ray, const MeshData& faces, const uint32_t* index,
               D3DXVECTOR3* hit, double* distanceFromOrigin);

// One segment as the line pick tests it: true when the line passes it closer
// than the threshold, with the segment's point nearest to the line.
bool segmentWithin(const RayLine& ray, const D3DXVECTOR3& p, const D3DXVECTOR3& q, double threshold,
                   D3DXVECTOR3* hit);

// Crossings at or beyond this distance from the origin are not reported.
inline constexpr double kFarthestPick = 100000000.0;

// The crossing nearest to the origin among the faces of a count-prefixed
// list (the first three indices of each face); false when none is crossed.
// Faces naming vertices outside the set are skipped.
bool pickFaceList(const RayLine& ray, const MeshData& faces, D3DXVECTOR3* hit);

// Line meshes: the first segment, in list order, that passes the line closer
// than `threshold`; the hit point lies on the segment, where it comes closest.
// The list is read as runs (a count, then that many indices, until a count of
// 0 or less). Segments parallel to the ray are never hit.
bool pickLineRuns(const RayLine& ray, const MeshData& lines, double threshold, D3DXVECTOR3* hit);

}  // namespace pelmora
