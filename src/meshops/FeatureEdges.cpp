#include "meshops/FeatureEdges.h"

#include "meshops/CollinearEdges.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>

namespace pelmora {

namespace {

constexpr double kDegreesToRadians = 3.14159265358979323846 / 180.0;
// Faces closer to one plane than this cannot show a silhouette between them.
constexpr float kCoplanarCosine = 0.99999f;

uint64_t positionHash(const D3DXVECTOR3& vertex) {
    // +0 and -0 are one place.
    const float coordinates[3] = {vertex.x + 0.0f, vertex.y + 0.0f, vertex.z + 0.0f};
    uint32_t bits[3];
    std::memcpy(bits, coordinates, sizeof bits);
    uint64_t h = bits[0] * 0x9E3779B97F4A7C15ull;
    h ^= (h >> 29) ^ (uint64_t(bits[1]) * 0xC2B2AE3D27D4EB4Full);
    h ^= (h >> 31) ^ (uint64_t(bits[2]) * 0x165667B19E3779F9ull);
    return h ^ (h >> 32);
}

bool samePlace(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// One id per distinct position, so faces that split their vertices for
// their own normals still share edges. An open-addressed table of vertex
// numbers, twice the vertices in size.
std::vector<uint32_t> weldPositions(const SolidGeometry& geometry, size_t count) {
    constexpr uint32_t kEmpty = UINT32_MAX;
    size_t size = 16;
    while (size < 2 * count) size *= 2;
    std::vector<uint32_t> table(size, kEmpty);
    std::vector<uint32_t> ids(count);
    const VertexPositions positions = geometry.surface.positions();
    for (size_t i = 0; i < count; ++i) {
        const D3DXVECTOR3 vertex = positions[i];
        size_t slot = size_t(positionHash(vertex)) & (size - 1);
        while (table[slot] != kEmpty && !samePlace(positions[table[slot]], vertex))
            slot = (slot + 1) & (size - 1);
        if (table[slot] == kEmpty) table[slot] = uint32_t(i);
        ids[i] = table[slot];
    }
    return ids;
}

D3DXVECTOR3 positionOf(const SolidGeometry& geometry, uint32_t vertex) { return geometry.surface.positions()[vertex]; }

// Worked in double: the cross product of float coordinates near their
// limit overflows a float. A face too large or too small for a direction
// gets none (zero), which pairs with nothing and falls in cell 0.
D3DXVECTOR3 faceNormal(const SolidGeometry& geometry, const std::array<uint32_t, 3>& face) {
    const D3DXVECTOR3 a = positionOf(geometry, face[0]);
    const D3DXVECTOR3 b = positionOf(geometry, face[1]);
    const D3DXVECTOR3 c = positionOf(geometry, face[2]);
    const double ab[3] = {double(b.x) - a.x, double(b.y) - a.y, double(b.z) - a.z};
    const double ac[3] = {double(c.x) - a.x, double(c.y) - a.y, double(c.z) - a.z};
    const double n[3] = {ab[1] * ac[2] - ab[2] * ac[1], ab[2] * ac[0] - ab[0] * ac[2], ab[0] * ac[1] - ab[1] * ac[0]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(length > 0.0) || !std::isfinite(length)) return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    return D3DXVECTOR3(float(n[0] / length), float(n[1] / length), float(n[2] / length));
}

// One side of an edge, filed under its lower welded end: the higher end,
// the face, and the face's own vertices the edge runs between.
struct HalfEdge {
    uint32_t high;
    uint32_t face;
    uint32_t from;
    uint32_t to;
};

// The half-edges grouped by their lower end (a counting sort): those of
// vertex v lie in [start[v], start[v + 1]).
struct HalfEdgeBuckets {
    std::vector<uint32_t> start;
    std::vector<HalfEdge> edges;
};

HalfEdgeBuckets bucketHalfEdges(const SolidGeometry& geometry, const std::vector<uint32_t>& ids) {
    HalfEdgeBuckets buckets;
    buckets.start.assign(ids.size() + 1, 0);
    auto forEachHalfEdge = [&](auto visit) {
        for (uint32_t t = 0; t < geometry.count; ++t) {
            const std::array<uint32_t, 3> face = geometry.triangles[t];
            for (int k = 0; k < 3; ++k) {
                const uint32_t from = face[k], to = face[(k + 1) % 3];
                const uint32_t a = ids[from], b = ids[to];
                if (a != b) visit(std::min(a, b), HalfEdge{std::max(a, b), t, from, to});
            }
        }
    };
    forEachHalfEdge([&](uint32_t low, const HalfEdge&) { ++buckets.start[low + 1]; });
    for (size_t v = 1; v < buckets.start.size(); ++v) buckets.start[v] += buckets.start[v - 1];
    buckets.edges.resize(buckets.start.back());
    std::vector<uint32_t> next(buckets.start.begin(), buckets.start.end() - 1);
    forEachHalfEdge([&](uint32_t low, const HalfEdge& edge) { buckets.edges[next[low]++] = edge; });
    return buckets;
}

std::vector<D3DXVECTOR3> faceNormals(const SolidGeometry& geometry) {
    std::vector<D3DXVECTOR3> normals(geometry.count);
    for (uint32_t t = 0; t < geometry.count; ++t)
        normals[t] = faceNormal(geometry, geometry.triangles[t]);
    return normals;
}

// False for faces in one plane, which are no pair.
bool addFacePair(const SolidGeometry& geometry, const std::vector<D3DXVECTOR3>& normals, const HalfEdge& one,
                 const HalfEdge& two, std::vector<FacePairEdge>* pairs) {
    const D3DXVECTOR3& n0 = normals[one.face];
    const D3DXVECTOR3& n1 = normals[two.face];
    if (n0.x * n1.x + n0.y * n1.y + n0.z * n1.z > kCoplanarCosine) return false;
    pairs->push_back({positionOf(geometry, one.from), positionOf(geometry, one.to), n0, n1});
    return true;
}

// Interleaves the bits of two cell coordinates: cells close in this order
// lie close on the cube's side, so a run of them is a compact patch.
uint32_t interleaved(uint32_t u, uint32_t v) {
    uint32_t key = 0;
    for (uint32_t bit = 0; bit < 8; ++bit) key |= ((u >> bit) & 1u) << (2 * bit + 1) | ((v >> bit) & 1u) << (2 * bit);
    return key;
}

// A cell of a cube around the unit sphere for the direction between the two
// faces' normals, numbered along each side in Z order: edges of nearby cells
// turn alike, so a run of them has a narrow cone and is tested for a
// silhouette as one.
uint32_t normalCell(const FacePairEdge& edge) {
    constexpr float kCells = 16.0f;
    const float d[3] = {edge.normal0.x + edge.normal1.x, edge.normal0.y + edge.normal1.y,
                        edge.normal0.z + edge.normal1.z};
    int axis = 0;
    for (int k = 1; k < 3; ++k)
        if (std::fabs(d[k]) > std::fabs(d[axis])) axis = k;
    const float major = std::fabs(d[axis]);
    if (!(major > 0.0f)) return 0;
    const uint32_t face = uint32_t(axis * 2 + (d[axis] < 0.0f ? 1 : 0));
    auto cell = [&](float v) {
        const float at = (v / major * 0.5f + 0.5f) * kCells;
        return at >= 0.0f ? uint32_t(std::fmin(at, kCells - 1.0f)) : 0u;  // NaN too
    };
    const uint32_t u = cell(d[(axis + 1) % 3]), v = cell(d[(axis + 2) % 3]);
    return (face << 16) | interleaved(u, v);
}

void sortByNormalCell(std::vector<FacePairEdge>* pairs) {
    std::vector<std::pair<uint32_t, uint32_t>> keys(pairs->size());
    for (size_t i = 0; i < pairs->size(); ++i) keys[i] = {normalCell((*pairs)[i]), uint32_t(i)};
    std::sort(keys.begin(), keys.end());
    std::vector<FacePairEdge> sorted(pairs->size());
    for (size_t i = 0; i < keys.size(); ++i) sorted[i] = (*pairs)[keys[i].second];
    pairs->swap(sorted);
}

bool indicesValid(const SolidGeometry& geometry) {
    const size_t count = heldVertices(geometry);
    if (!geometry.compact || geometry.triangles.size() < geometry.count) return false;
    for (uint32_t t = 0; t < geometry.count; ++t)
        for (uint32_t index : geometry.triangles[t])
            if (index >= count) return false;
    return true;
}

}  // namespace

FeatureEdges extractFeatureEdges(const SolidGeometry& geometry, float creaseDegrees) {
    FeatureEdges result;
    result.creaseDegrees = creaseDegrees;
    if (geometry.count == 0 || !indicesValid(geometry)) return result;
    const size_t vertexCount = heldVertices(geometry);
    HalfEdgeBuckets buckets = bucketHalfEdges(geometry, weldPositions(geometry, vertexCount));
    const std::vector<D3DXVECTOR3> normals = faceNormals(geometry);
    std::vector<FacePairEdge> sharpPairs, smoothPairs;
    const bool everyEdge = creaseDegrees <= 0.0f;
    const float creaseCosine = float(std::cos(double(creaseDegrees) * kDegreesToRadians));
    auto sharp = [&](uint32_t f0, uint32_t f1) {
        const D3DXVECTOR3& n0 = normals[f0];
        const D3DXVECTOR3& n1 = normals[f1];
        return n0.x * n1.x + n0.y * n1.y + n0.z * n1.z < creaseCosine;
    };
    for (size_t v = 0; v + 1 < buckets.start.size(); ++v) {
        HalfEdge* begin = buckets.edges.data() + buckets.start[v];
        HalfEdge* end = buckets.edges.data() + buckets.start[v + 1];
        // A vertex has a handful of edges: sorting them by the other end is cheap.
        std::sort(begin, end, [](const HalfEdge& a, const HalfEdge& b) { return a.high < b.high; });
        for (HalfEdge* first = begin; first != end;) {
            HalfEdge* last = first + 1;
            while (last != end && last->high == first->high) ++last;
            const bool pair = last - first == 2;
            const bool feature = everyEdge || !pair || sharp(first->face, (first + 1)->face);
            const bool paired =
                pair && addFacePair(geometry, normals, *first, *(first + 1), feature ? &sharpPairs : &smoothPairs);
            if (feature) {
                const D3DXVECTOR3 ends[2] = {positionOf(geometry, first->from), positionOf(geometry, first->to)};
                result.points.insert(result.points.end(), ends, ends + 2);
                if (!paired) result.unpairedPoints.insert(result.unpairedPoints.end(), ends, ends + 2);
            }
            first = last;
        }
    }
    joinCollinearRuns(&sharpPairs);
    sortByNormalCell(&sharpPairs);
    sortByNormalCell(&smoothPairs);
    result.sharpPairs = uint32_t(sharpPairs.size());
    result.facePairs = std::move(sharpPairs);
    result.facePairs.insert(result.facePairs.end(), smoothPairs.begin(), smoothPairs.end());
    return result;
}

}  // namespace pelmora
