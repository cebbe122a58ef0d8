#include "geometry/RayPick.h"

#include <cmath>

namespace pelmora {

namespace {

// Below this the ray runs in the triangle's plane.
constexpr float kParallelEpsilon = 2.220446e-16f;
// Crossings farther than this from the origin are not reported.
constexpr double kFarthestHit = 100000000.0;

D3DXVECTOR3 minus(const D3DVECTOR& a, const D3DVECTOR& b) {
    return D3DXVECTOR3(a.x - b.x, a.y - b.y, a.z - b.z);
}

D3DXVECTOR3 cross(const D3DVECTOR& a, const D3DVECTOR& b) {
    D3DXVECTOR3 out;
    return *D3DXVec3Cross(&out, &a, &b);
}

D3DXVECTOR3 positionOf(const MeshVertex& vertex) {
    return D3DXVECTOR3(vertex.x, vertex.y, vertex.z);
}

double distance(const D3DVECTOR& a, const D3DVECTOR& b) {
    const double dx = double(a.x) - b.x;
    const double dy = double(a.y) - b.y;
    const double dz = double(a.z) - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
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

bool pickFaceList(const RayLine& ray, const MeshData& faces, D3DXVECTOR3* hit) {
    double best = kFarthestHit;
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
        if (!intersectTriangle(ray, positionOf(faces.vertices[index[0]]),
                               positionOf(faces.vertices[index[1]]),
                               positionOf(faces.vertices[index[2]]), &point))
            continue;
        const double d = distance(point, ray.origin);
        if (d < best) {
            best = d;
            *hit = point;
            found = true;
        }
    }
    return found;
}

}  // namespace pelmora
