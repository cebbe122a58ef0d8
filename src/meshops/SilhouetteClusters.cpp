#include "meshops/SilhouetteClusters.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace pelmora {

namespace {

constexpr float kHalfPi = 1.57079632679489661923f;

float dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

D3DXVECTOR3 scaled(const D3DXVECTOR3& v, float s) { return D3DXVECTOR3(v.x * s, v.y * s, v.z * s); }

D3DXVECTOR3 sum(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return D3DXVECTOR3(a.x + b.x, a.y + b.y, a.z + b.z);
}

void coneOf(const FacePairEdge* begin, const FacePairEdge* end, EdgeCluster* cluster) {
    D3DXVECTOR3 total(0, 0, 0);
    for (const FacePairEdge* e = begin; e != end; ++e) total = sum(total, sum(e->normal0, e->normal1));
    const float length = std::sqrt(dot(total, total));
    if (!(length > 1e-6f)) {
        cluster->coneAngle = 2.0f * kHalfPi;  // normals all round: always a candidate
        return;
    }
    cluster->axis = scaled(total, 1.0f / length);
    float leastCosine = 1.0f;
    for (const FacePairEdge* e = begin; e != end; ++e)
        leastCosine = std::min({leastCosine, dot(cluster->axis, e->normal0), dot(cluster->axis, e->normal1)});
    cluster->coneAngle = std::acos(std::clamp(leastCosine, -1.0f, 1.0f));
}

void sphereOf(const FacePairEdge* begin, const FacePairEdge* end, EdgeCluster* cluster) {
    D3DXVECTOR3 low(FLT_MAX, FLT_MAX, FLT_MAX), high(-FLT_MAX, -FLT_MAX, -FLT_MAX);
    for (const FacePairEdge* e = begin; e != end; ++e)
        for (const D3DXVECTOR3& p : {e->a, e->b}) {
            low = D3DXVECTOR3(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
            high = D3DXVECTOR3(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
        }
    cluster->centre = scaled(sum(low, high), 0.5f);
    const D3DXVECTOR3 half = scaled(sum(high, scaled(low, -1.0f)), 0.5f);
    cluster->radius = std::sqrt(dot(half, half));
}

// Whether some direction within `slack` of `look` meets some normal of the
// cluster's cone at a right angle.
bool mayBeEdgeOn(const EdgeCluster& cluster, const D3DXVECTOR3& look, float slack) {
    const float reach = cluster.coneAngle + slack;
    if (reach >= kHalfPi) return true;
    return std::fabs(dot(cluster.axis, look)) <= std::sin(reach);
}

}  // namespace

std::vector<EdgeCluster> clusterFacePairs(const std::vector<FacePairEdge>& pairs, uint32_t perCluster,
                                          uint32_t boundary) {
    std::vector<EdgeCluster> clusters;
    if (perCluster == 0) return clusters;
    for (size_t first = 0; first < pairs.size();) {
        const size_t limit = first < boundary ? std::min<size_t>(boundary, pairs.size()) : pairs.size();
        EdgeCluster cluster;
        cluster.first = uint32_t(first);
        cluster.count = uint32_t(std::min<size_t>(perCluster, limit - first));
        const FacePairEdge* begin = pairs.data() + first;
        coneOf(begin, begin + cluster.count, &cluster);
        sphereOf(begin, begin + cluster.count, &cluster);
        clusters.push_back(cluster);
        first += cluster.count;
    }
    return clusters;
}

bool sameLook(const SilhouetteLook& a, const SilhouetteLook& b) {
    return a.valid == b.valid && a.perspective == b.perspective &&
           std::memcmp(&a.direction, &b.direction, sizeof a.direction) == 0 &&
           (!a.perspective || std::memcmp(&a.eye, &b.eye, sizeof a.eye) == 0);
}

SilhouetteLook silhouetteLook(const D3DXMATRIX& worldView, bool perspective, float depthSign) {
    SilhouetteLook look;
    look.perspective = perspective;
    D3DXMATRIX inverse;
    if (D3DXMatrixInverse(&inverse, nullptr, &worldView) == nullptr) return look;
    // The camera looks along its z axis; its eye is at the origin of its space.
    const D3DXVECTOR3 direction(inverse._31, inverse._32, inverse._33);
    const float length = std::sqrt(dot(direction, direction));
    if (!(length > 0.0f)) return look;
    look.valid = true;
    look.direction = scaled(direction, (depthSign < 0.0f ? -1.0f : 1.0f) / length);
    look.eye = D3DXVECTOR3(inverse._41, inverse._42, inverse._43);
    return look;
}

namespace {

D3DXVECTOR3 towardsEdge(const FacePairEdge& edge, const SilhouetteLook& look) {
    return look.perspective ? sum(scaled(sum(edge.a, edge.b), 0.5f), scaled(look.eye, -1.0f)) : look.direction;
}

// Far more than the rounding of a few products of unit normals, far less
// than the turn of any face a tessellation makes.
constexpr float kFacingSlack = 1e-4f;

}  // namespace

bool isSilhouette(const FacePairEdge& edge, const SilhouetteLook& look) {
    const D3DXVECTOR3 towards = towardsEdge(edge, look);
    return dot(edge.normal0, towards) * dot(edge.normal1, towards) <= 0.0f;
}

namespace {

// The two faces' facings (above 0 a face turns away) and the room rounding needs.
struct Facings {
    float low, high, slack;
};

Facings facingsOf(const FacePairEdge& edge, const SilhouetteLook& look) {
    const D3DXVECTOR3 towards = towardsEdge(edge, look);
    const float facing = dot(edge.normal0, towards), otherFacing = dot(edge.normal1, towards);
    return {std::min(facing, otherFacing), std::max(facing, otherFacing),
            kFacingSlack * std::sqrt(dot(towards, towards))};
}

}  // namespace

bool mayBeSilhouette(const FacePairEdge& edge, const SilhouetteLook& look) {
    const Facings f = facingsOf(edge, look);
    return f.low <= f.slack && f.high >= -f.slack;
}

bool mayFaceTheEye(const FacePairEdge& edge, const SilhouetteLook& look) {
    const Facings f = facingsOf(edge, look);
    return f.low <= f.slack;
}

void silhouetteRuns(std::span<const EdgeCluster> clusters, const SilhouetteLook& look, uint32_t mergeGap,
                    std::vector<std::pair<uint32_t, uint32_t>>* runs) {
    runs->clear();
    for (const EdgeCluster& cluster : clusters) {
        bool candidate = !look.valid;
        if (!candidate && look.perspective) {
            const D3DXVECTOR3 toward = sum(cluster.centre, scaled(look.eye, -1.0f));
            const float distance = std::sqrt(dot(toward, toward));
            candidate = distance <= cluster.radius ||
                        mayBeEdgeOn(cluster, scaled(toward, 1.0f / distance), std::asin(cluster.radius / distance));
        } else if (!candidate) {
            candidate = mayBeEdgeOn(cluster, look.direction, 0.0f);
        }
        if (!candidate) continue;
        // A few culled clusters cost the device less than another draw.
        if (!runs->empty() && runs->back().first + runs->back().second + mergeGap >= cluster.first)
            runs->back().second = cluster.first + cluster.count - runs->back().first;
        else
            runs->emplace_back(cluster.first, cluster.count);
    }
}

}  // namespace pelmora
