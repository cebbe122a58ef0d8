#include "meshops/RayPick.h"

#include "meshops/LineRuns.h"

#include <cmath>

namespace pelmora {

namespace {

// Below this the ray runs parallel to the triangle or segment.
constexpr float kParallelEpsilon = 2.220446e-16f;
D3DXVECTOR3 minus(const D3DVECTOR& a, const D3DVECTOR& b) {
    return D3DXVECTOR3(a.x - b.x, a.y - b.y, a.z - b.z);
}

D3DXVECTOR3 cross(const D3DVECTOR& a, const D3DVECTOR& b) {
    D3DXVECTOR3 out;
    return *D3DXVec3Cross(&out, &a, &b);
}

D3DXVECTOR3 along(const D3DVECTOR& from, const D3DVECTOR& direction, float t) {
    return D3DXVECTOR3(from.x + t * direction.x, from.y + t * direction.y,
                       from.z + t * direction.z);
}

double distance(const D3DVECTOR& a, const D3DVECTOR& b) {
    const double dx = double(a.x) - b.x;
    const double dy = double(a.y) - b.y;
    const double dz = double(a.z) - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// The point of segment (p, q) nearest to the line, and its distance from
// it; false when the segment runs parallel to the line or its nearest point
// lies beyond an end.
bool nearestOnSegment(const RayLine& ray, const D3DXVECTOR3& p, const D3DXVECTOR3& q,
                      D3DXVECTOR3* onSegment, double* gap) {
    const D3DXVECTOR3 u = minus(q, p);
    const D3DXVECTOR3 normal = cross(u, ray.direction);
    if (D3DXVec3Length(&normal) < kParallelEpsilon) return false;
    // The plane through the ray that holds the common perpendicular meets
    // the segment at its nearest point, and the other way round.
    const D3DXVECTOR3 rayPlane = cross(ray.direction, normal);
    const D3DXVECTOR3 toOrigin = minus(ray.origin, p);
    const float t = D3DXVec3Dot(&toOrigin, &rayPlane) / D3DXVec3Dot(&u, &rayPlane);
    if (t < 0.0f || t > 1.0f) return false;
    const D3DXVECTOR3 segmentPlane = cross(u, normal);
    const D3DXVECTOR3 toStart = minus(p, ray.origin);
    const float s =
        D3DXVec3Dot(&toStart, &segmentPlane) / D3DXVec3Dot(&ray.direction, &segmentPlane);
    *onSegment = along(p, u, t);
    *gap = distance(*onSegment, along(ray.origin, ray.direction, s));
    return true;
}

}  // namespace

bool intersectTriangle(const RayLine& ray, const D3DXVECTOR3& p0, const D3DXVECTOR3& p1,
                       const D3DXVECTOR3& p2, D3DXVECTOR3* hit) {
    const D3DXVECTOR3 e1 = minus(p1, p0);
    const D3DXVECTOR3 e2 = minus(p2, p0);
    const D3DXVECTOR3 p = cross(ray.direction, e2);
    const float det = D3DXVec3Dot(&e1, &p);
    if (std::fabs(det) < kParallelEpsilon) return false;
    const D3DXVECTOR3 s = minus(ray.origin, p0);
    const float u = D3DXVec3Dot(&s, &p) / det;
    if (u < 0.0f || u > 1.0f) return false;
    const D3DXVECTOR3 q = cross(s, e1);
    const float w = D3DXVec3Dot(&ray.direction, &q) / det;
    if (w < 0.0f || u + w > 1.0f) return false;
    const float v = 1.0f - u - w;
    *hit = D3DXVECTOR3(v * p0.x + u * p1.x + w * p2.x, v * p0.y + u * p1.y + w * p2.y,
                       v * p0.z + u * p1.z + w * p2.z);
    return true;
}

bool crossFace(const RayLine& ray, const MeshData& faces, const uint32_t* index,
               D3DXVECTOR3* hit, double* distanceFromOrigin) {
    if (!intersectTriangle(ray, faces.vertices[index[0]], faces.vertices[index[1]],
                           faces.vertices[index[2]], hit))
        return false;
    *distanceFromOrigin = distance(*hit, ray.origin);
    return true;
}

bool segmentWithin(const RayLine& ray, const D3DXVECTOR3& p, const D3DXVECTOR3& q, double threshold,
                   D3DXVECTOR3* hit) {
    D3DXVECTOR3 point;
    double gap = 0.0;
    if (!nearestOnSegment(ray, p, q, &point, &gap) || !(gap < threshold))
        return false;
    *hit = point;
    return true;
}

bool pickFaceList(const RayLine& ray, const MeshData& faces, D3DXVECTOR3* hit) {
    double best = kFarthestPick;
    bool found = false;
    size_t cursor = 0;
    while (cursor < faces.listLength && faces.list[cursor] != 0) {
        const uint32_t count = faces.list[cursor];
        if (count > faces.listLength - cursor - 1) break;  // a face past the list's end
        const uint32_t* index = faces.list + cursor + 1;
        cursor += 1 + size_t(count);
        if (count < 3) continue;
        if (index[0] >= faces.vertexCount || index[1] >= faces.vertexCount ||
            index[2] >= faces.vertexCount)
            continue;
        D3DXVECTOR3 point;
        double d = 0.0;
        if (crossFace(ray, faces, index, &point, &d) && d < best) {
            best = d;
            *hit = point;
            found = true;
        }
    }
    return found;
}

bool pickLineRuns(const RayLine& ray, const MeshData& lines, double threshold, D3DXVECTOR3* hit) {
    bool found = false;
    forEachPolyline(lines.list, lines.listLength, lines.vertexCount,
                    [&](const uint32_t* index, size_t count) {
                        for (size_t k = 0; k + 1 < count && !found; ++k)
                            found = segmentWithin(ray, lines.vertices[index[k]],
                                                  lines.vertices[index[k + 1]], threshold, hit);
                    });
    return found;
}

}  // namespace pelmora
