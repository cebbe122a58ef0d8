#include "geometry/FeatureEdges.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace pelmora {

namespace {

constexpr double kDegreesToRadians = 3.14159265358979323846 / 180.0;

struct PositionKey {
    uint32_t bits[3];
    bool operator==(const PositionKey& other) const {
        return bits[0] == other.bits[0] && bits[1] == other.bits[1] && bits[2] == other.bits[2];
    }
};

struct PositionHash {
    size_t operator()(const PositionKey& key) const {
        uint64_t h = key.bits[0] * 0x9E3779B97F4A7C15ull;
        h ^= (h >> 29) ^ (uint64_t(key.bits[1]) * 0xC2B2AE3D27D4EB4Full);
        h ^= (h >> 31) ^ (uint64_t(key.bits[2]) * 0x165667B19E3779F9ull);
        return size_t(h ^ (h >> 32));
    }
};

PositionKey keyOf(const MeshVertex& vertex) {
    // +0 and -0 are one place.
    const float coordinates[3] = {vertex.x + 0.0f, vertex.y + 0.0f, vertex.z + 0.0f};
    PositionKey key;
    std::memcpy(key.bits, coordinates, sizeof key.bits);
    return key;
}

// One id per distinct position, so faces that split their vertices for
// their own normals still share edges.
std::vector<uint32_t> weldPositions(const SolidGeometry& geometry) {
    const size_t count = std::min<size_t>(geometry.vertexCount, geometry.vertices.size());
    std::vector<uint32_t> ids(count);
    std::unordered_map<PositionKey, uint32_t, PositionHash> seen;
    seen.reserve(count);
    for (size_t i = 0; i < count; ++i)
        ids[i] = seen.emplace(keyOf(geometry.vertices[i]), uint32_t(i)).first->second;
    return ids;
}

D3DXVECTOR3 positionOf(const MeshVertex& vertex) { return {vertex.x, vertex.y, vertex.z}; }

D3DXVECTOR3 faceNormal(const SolidGeometry& geometry, const uint32_t* face) {
    const MeshVertex& a = geometry.vertices[face[1]];
    const MeshVertex& b = geometry.vertices[face[2]];
    const MeshVertex& c = geometry.vertices[face[3]];
    const float ab[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
    const float ac[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
    D3DXVECTOR3 normal(ab[1] * ac[2] - ab[2] * ac[1], ab[2] * ac[0] - ab[0] * ac[2],
                       ab[0] * ac[1] - ab[1] * ac[0]);
    const float length = std::sqrt(normal.x * normal.x + normal.y * normal.y + normal.z * normal.z);
    if (length > 0.0f) normal = D3DXVECTOR3(normal.x / length, normal.y / length, normal.z / length);
    return normal;
}

// One side of an edge: the edge's welded ends as one key, the face, and the
// vertex the edge starts from in that face.
struct HalfEdge {
    uint64_t key;
    uint32_t face;
    uint32_t from;
    uint32_t to;
    bool operator<(const HalfEdge& other) const { return key < other.key; }
};

std::vector<HalfEdge> halfEdges(const SolidGeometry& geometry, const std::vector<uint32_t>& ids) {
    std::vector<HalfEdge> edges;
    edges.reserve(size_t(geometry.count) * 3);
    const uint32_t* face = geometry.faces.data();
    for (uint32_t t = 0; t < geometry.count; ++t, face += kTriangleEntry) {
        for (int k = 0; k < 3; ++k) {
            const uint32_t from = face[1 + k], to = face[1 + (k + 1) % 3];
            const uint32_t a = ids[from], b = ids[to];
            if (a == b) continue;
            const uint64_t key = (uint64_t(std::min(a, b)) << 32) | std::max(a, b);
            edges.push_back({key, t, from, to});
        }
    }
    std::sort(edges.begin(), edges.end());
    return edges;
}

bool indicesValid(const SolidGeometry& geometry) {
    const size_t count = std::min<size_t>(geometry.vertexCount, geometry.vertices.size());
    if (geometry.faces.size() < size_t(geometry.count) * kTriangleEntry) return false;
    const uint32_t* face = geometry.faces.data();
    for (uint32_t t = 0; t < geometry.count; ++t, face += kTriangleEntry)
        for (int k = 1; k <= 3; ++k)
            if (face[k] >= count) return false;
    return true;
}

}  // namespace

FeatureEdges extractFeatureEdges(const SolidGeometry& geometry, float creaseDegrees) {
    FeatureEdges result;
    result.creaseDegrees = creaseDegrees;
    if (geometry.count == 0 || !indicesValid(geometry)) return result;
    const std::vector<uint32_t> ids = weldPositions(geometry);
    const std::vector<HalfEdge> edges = halfEdges(geometry, ids);
    const bool everyEdge = creaseDegrees <= 0.0f;
    const float creaseCosine = float(std::cos(double(creaseDegrees) * kDegreesToRadians));
    const uint32_t* faces = geometry.faces.data();
    for (size_t first = 0; first < edges.size();) {
        size_t last = first + 1;
        while (last < edges.size() && edges[last].key == edges[first].key) ++last;
        bool feature = everyEdge || last - first != 2;
        if (!feature) {
            const D3DXVECTOR3 n0 = faceNormal(geometry, faces + size_t(edges[first].face) * kTriangleEntry);
            const D3DXVECTOR3 n1 = faceNormal(geometry, faces + size_t(edges[first + 1].face) * kTriangleEntry);
            feature = n0.x * n1.x + n0.y * n1.y + n0.z * n1.z < creaseCosine;
        }
        if (feature) {
            result.points.push_back(positionOf(geometry.vertices[edges[first].from]));
            result.points.push_back(positionOf(geometry.vertices[edges[first].to]));
        }
        first = last;
    }
    return result;
}

}  // namespace pelmora
