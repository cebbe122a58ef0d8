#include "EdgeExtractor.h"

#include <cmath>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

namespace samplekernel {

namespace {

// Normals closer than this (the cosine of about 1 degree) are one normal.
constexpr float kSameNormal = 0.99985f;
constexpr int kTriangleEntry = 4;

using Position = std::tuple<float, float, float>;

// One side of an edge: the vertex records at its two ends in one face.
struct Side {
    int from, to;
};

class Edges {
public:
    explicit Edges(const FacetMesh& body) : body_(body) {
        for (const FacetVertex& v : body.vertices)
            weldOf_.push_back(welded_.try_emplace(Position{v.x, v.y, v.z}, int(welded_.size())).first->second);
    }

    void collect() {
        const std::vector<int>& list = body_.faceList;
        for (size_t i = 0; i + kTriangleEntry <= list.size() && list[i] != 0; i += kTriangleEntry) {
            const int a = list[i + 1], b = list[i + 2], c = list[i + 3];
            add(a, b);
            add(b, c);
            add(c, a);
        }
    }

    // The welded ends of every boundary or crease edge, in a fixed order.
    std::vector<std::pair<int, int>> sharp() const {
        std::vector<std::pair<int, int>> result;
        for (const auto& [ends, sides] : sides_)
            if (sides.size() != 2 || normalsBreak(sides[0], sides[1])) result.push_back(ends);
        return result;
    }

    FacetMesh polylines(const std::vector<std::pair<int, int>>& edges) const;

private:
    void add(int from, int to) {
        const int a = weldOf_[size_t(from)], b = weldOf_[size_t(to)];
        if (a == b) return;
        // Keyed low end first; the side keeps its records in that order.
        if (a < b)
            sides_[{a, b}].push_back({from, to});
        else
            sides_[{b, a}].push_back({to, from});
    }

    bool sameNormal(int a, int b) const {
        const FacetVertex& u = body_.vertices[size_t(a)];
        const FacetVertex& v = body_.vertices[size_t(b)];
        return u.nx * v.nx + u.ny * v.ny + u.nz * v.nz >= kSameNormal;
    }

    bool normalsBreak(const Side& one, const Side& other) const {
        return !sameNormal(one.from, other.from) || !sameNormal(one.to, other.to);
    }

    const FacetMesh& body_;
    std::map<Position, int> welded_;
    std::vector<int> weldOf_;
    std::map<std::pair<int, int>, std::vector<Side>> sides_;
};

// Joins edges end to end into as few polylines as it easily can: trails
// start where an odd number of edges meet, and at a point where several go
// on, the trail takes the straightest, so corners are joined rather than cut.
class Chainer {
public:
    Chainer(const std::vector<std::pair<int, int>>& edges, const std::vector<Position>& positions)
        : edges_(edges), positions_(positions), used_(edges.size(), false), incident_(positions.size()) {
        for (size_t e = 0; e < edges.size(); ++e) {
            incident_[size_t(edges[e].first)].push_back(e);
            incident_[size_t(edges[e].second)].push_back(e);
        }
    }

    std::vector<std::vector<int>> chains() {
        std::vector<std::vector<int>> result;
        for (size_t p = 0; p < incident_.size(); ++p)
            if (incident_[p].size() % 2 == 1) startChains(int(p), result);
        for (size_t p = 0; p < incident_.size(); ++p) startChains(int(p), result);
        return result;
    }

private:
    void startChains(int point, std::vector<std::vector<int>>& result) {
        while (unusedAt(point, point) != kNone) result.push_back(follow(point));
    }

    float dotOfDirections(int a, int b, int c) const {
        const auto [ax, ay, az] = positions_[size_t(a)];
        const auto [bx, by, bz] = positions_[size_t(b)];
        const auto [cx, cy, cz] = positions_[size_t(c)];
        const float ux = bx - ax, uy = by - ay, uz = bz - az, vx = cx - bx, vy = cy - by, vz = cz - bz;
        const float lengths = std::sqrt((ux * ux + uy * uy + uz * uz) * (vx * vx + vy * vy + vz * vz));
        return lengths > 0.0f ? (ux * vx + uy * vy + uz * vz) / lengths : -1.0f;
    }

    // The unused edge at `point` going on most nearly straight from `from`.
    size_t unusedAt(int point, int from) const {
        size_t best = kNone;
        float straightest = -2.0f;
        for (size_t e : incident_[size_t(point)]) {
            if (used_[e]) continue;
            const int next = edges_[e].first == point ? edges_[e].second : edges_[e].first;
            const float straightness = from == point ? 0.0f : dotOfDirections(from, point, next);
            if (straightness > straightest) {
                straightest = straightness;
                best = e;
            }
        }
        return best;
    }

    std::vector<int> follow(int point) {
        std::vector<int> chain{point};
        int from = point;
        for (size_t edge = unusedAt(point, from); edge != kNone; edge = unusedAt(point, from)) {
            used_[edge] = true;
            from = point;
            point = edges_[edge].first == point ? edges_[edge].second : edges_[edge].first;
            chain.push_back(point);
        }
        return chain;
    }

    static constexpr size_t kNone = ~size_t{0};

    const std::vector<std::pair<int, int>>& edges_;
    const std::vector<Position>& positions_;
    std::vector<bool> used_;
    std::vector<std::vector<size_t>> incident_;
};

FacetMesh Edges::polylines(const std::vector<std::pair<int, int>>& edges) const {
    std::vector<Position> positions(welded_.size());
    for (const auto& [position, index] : welded_) positions[size_t(index)] = position;
    FacetMesh out;
    out.faceList.clear();
    std::map<int, int> outputIndex;
    for (const std::vector<int>& chain : Chainer(edges, positions).chains()) {
        out.faceList.push_back(int(chain.size()));
        for (int point : chain) {
            const auto [it, added] = outputIndex.try_emplace(point, int(out.vertices.size()));
            if (added) {
                const auto [x, y, z] = positions[size_t(point)];
                out.vertices.push_back({x, y, z, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f});
            }
            out.faceList.push_back(it->second);
        }
    }
    out.faceList.push_back(0);
    return out;
}

}  // namespace

FacetMesh extractEdges(const FacetMesh& body) {
    Edges edges(body);
    edges.collect();
    return edges.polylines(edges.sharp());
}

}  // namespace samplekernel
