#include "meshops/CollinearEdges.h"

#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace pelmora {

namespace {

// Directions closer than this (the sine of the angle between them) are one
// line: the joined edge stays within a ten-thousandth of its length of every
// point it replaces.
constexpr float kCollinearSine = 1e-4f;
// Face normals closer than this cosine belong to one plane.
constexpr float kSameNormalCosine = 0.99999f;

struct PositionKey {
    uint32_t bits[3];
    bool operator==(const PositionKey& other) const { return std::memcmp(bits, other.bits, sizeof bits) == 0; }
};

PositionKey keyOf(const D3DXVECTOR3& p) {
    // +0 and -0 are one place.
    const float coordinates[3] = {p.x + 0.0f, p.y + 0.0f, p.z + 0.0f};
    PositionKey key;
    std::memcpy(key.bits, coordinates, sizeof key.bits);
    return key;
}

struct PositionHash {
    size_t operator()(const PositionKey& key) const {
        uint64_t h = key.bits[0] * 0x9E3779B97F4A7C15ull;
        h ^= (h >> 29) ^ (uint64_t(key.bits[1]) * 0xC2B2AE3D27D4EB4Full);
        h ^= (h >> 31) ^ (uint64_t(key.bits[2]) * 0x165667B19E3779F9ull);
        return size_t(h ^ (h >> 32));
    }
};

// The edges that end at a point: the first two, and how many in all.
struct Ends {
    uint32_t edges[2] = {0, 0};
    uint32_t count = 0;
};

D3DXVECTOR3 between(const D3DXVECTOR3& from, const D3DXVECTOR3& to) {
    return {to.x - from.x, to.y - from.y, to.z - from.z};
}

float dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

D3DXVECTOR3 cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

bool sameNormals(const FacePairEdge& a, const FacePairEdge& b) {
    const bool straight = dot(a.normal0, b.normal0) > kSameNormalCosine && dot(a.normal1, b.normal1) > kSameNormalCosine;
    const bool swapped = dot(a.normal0, b.normal1) > kSameNormalCosine && dot(a.normal1, b.normal0) > kSameNormalCosine;
    return straight || swapped;
}

bool parallel(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    const D3DXVECTOR3 c = cross(a, b);
    return dot(c, c) <= kCollinearSine * kCollinearSine * dot(a, a) * dot(b, b);
}

class RunJoiner {
public:
    explicit RunJoiner(const std::vector<FacePairEdge>& pairs) : pairs_(pairs), used_(pairs.size(), false) {
        ends_.reserve(pairs.size() * 2);
        for (uint32_t i = 0; i < pairs.size(); ++i) {
            note(pairs[i].a, i);
            note(pairs[i].b, i);
        }
    }

    std::vector<FacePairEdge> joined() {
        std::vector<FacePairEdge> result;
        result.reserve(pairs_.size());
        for (uint32_t i = 0; i < pairs_.size(); ++i) {
            if (used_[i]) continue;
            used_[i] = true;
            FacePairEdge edge = pairs_[i];
            const D3DXVECTOR3 direction = between(edge.a, edge.b);
            edge.b = extend(edge.b, i, edge, direction);
            edge.a = extend(edge.a, i, edge, direction);
            result.push_back(edge);
        }
        return result;
    }

private:
    void note(const D3DXVECTOR3& p, uint32_t edge) {
        Ends& ends = ends_[keyOf(p)];
        if (ends.count < 2) ends.edges[ends.count] = edge;
        ++ends.count;
    }

    // The far end of the run that goes on from `end` of edge `from`.
    D3DXVECTOR3 extend(D3DXVECTOR3 end, uint32_t from, const FacePairEdge& first, const D3DXVECTOR3& direction) {
        for (;;) {
            const auto found = ends_.find(keyOf(end));
            if (found == ends_.end() || found->second.count != 2) return end;
            const Ends& ends = found->second;
            const uint32_t next = ends.edges[0] == from ? ends.edges[1] : ends.edges[0];
            const FacePairEdge& edge = pairs_[next];
            if (used_[next] || !sameNormals(first, edge) || !parallel(direction, between(edge.a, edge.b))) return end;
            used_[next] = true;
            end = keyOf(edge.a) == keyOf(end) ? edge.b : edge.a;
            from = next;
        }
    }

    const std::vector<FacePairEdge>& pairs_;
    std::vector<bool> used_;
    std::unordered_map<PositionKey, Ends, PositionHash> ends_;
};

}  // namespace

void joinCollinearRuns(std::vector<FacePairEdge>* pairs) {
    if (pairs->size() < 2) return;
    std::vector<FacePairEdge> joined = RunJoiner(*pairs).joined();
    if (joined.size() < pairs->size()) pairs->swap(joined);
}

}  // namespace pelmora
