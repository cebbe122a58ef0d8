#include "meshops/PickTree.h"

#include "meshops/LineRuns.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace pelmora {

namespace {

constexpr size_t kLeafSize = 4;
// Boxes are widened by this share of the coordinates' magnitude (the
// primitives' at the build, the ray origin's at each pick; about 80 steps of
// a float), so that a crossing rounding puts on a primitive never falls
// outside the primitive's box.
constexpr double kRelativeWidening = 1e-5;
constexpr uint32_t kNoOrdinal = std::numeric_limits<uint32_t>::max();
// Splits at the middle of the centres give the best trees for surfaces, but
// a skewed spread of centres could go deep; past this depth the split takes
// the median centre, which halves the count.
constexpr int kMiddleSplitDepth = 40;
// Deeper than any tree the build makes.
constexpr size_t kStackDepth = 128;

using Primitive = PickTree::Primitive;

struct BuildRecord {
    float lo[3];
    float hi[3];
    Primitive primitive;

    float centre(int axis) const { return lo[axis] + hi[axis]; }
};

// Bounds of the centres (doubled, as BuildRecord::centre gives them).
struct CentreBounds {
    float lo[3];
    float hi[3];

    int widestAxis() const {
        int axis = 0;
        for (int a = 1; a < 3; ++a)
            if (hi[a] - lo[a] > hi[axis] - lo[axis]) axis = a;
        return axis;
    }
};

bool finitePosition(const D3DXVECTOR3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool finiteVector(const D3DXVECTOR3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

double magnitude(const D3DXVECTOR3& v) {
    return std::max({std::fabs(double(v.x)), std::fabs(double(v.y)), std::fabs(double(v.z))});
}

// The ray as the box tests read it, in double, with the widening of this
// pick (and a threshold, for segments) added to every box.
struct LineProbe {
    double origin[3];
    double direction[3];
    double grow;

    LineProbe(const RayLine& ray, double extra)
        : origin{ray.origin.x, ray.origin.y, ray.origin.z},
          direction{ray.direction.x, ray.direction.y, ray.direction.z},
          grow(kRelativeWidening * magnitude(ray.origin) + extra) {}

    // Whether the whole line meets the grown box.
    template <class Node>
    bool meets(const Node& node) const {
        double enter = -std::numeric_limits<double>::infinity();
        double leave = std::numeric_limits<double>::infinity();
        for (int axis = 0; axis < 3; ++axis) {
            const double lo = node.lo[axis] - grow, hi = node.hi[axis] + grow;
            if (direction[axis] == 0.0) {
                if (origin[axis] < lo || origin[axis] > hi) return false;
                continue;
            }
            double t1 = (lo - origin[axis]) / direction[axis];
            double t2 = (hi - origin[axis]) / direction[axis];
            if (t1 > t2) std::swap(t1, t2);
            enter = std::max(enter, t1);
            leave = std::min(leave, t2);
            if (enter > leave) return false;
        }
        return true;
    }

    // The squared distance from the origin to the nearest point of the grown box.
    template <class Node>
    double squaredDistanceTo(const Node& node) const {
        double sum = 0.0;
        for (int axis = 0; axis < 3; ++axis) {
            const double below = (node.lo[axis] - grow) - origin[axis];
            const double above = origin[axis] - (node.hi[axis] + grow);
            const double gap = std::max({below, above, 0.0});
            sum += gap * gap;
        }
        return sum;
    }
};

}  // namespace

class PickTreeBuilder {
public:
    explicit PickTreeBuilder(PickTree& tree) : tree_(tree) {}

    // A primitive of `corners` vertices (3 or 2) at the given indices.
    void add(const VertexPositions& vertices, const uint32_t* index, int corners) {
        Primitive primitive{ordinal_++, {index[0], index[1], corners == 3 ? index[2] : index[1]}};
        BuildRecord record{{0, 0, 0}, {0, 0, 0}, primitive};
        for (int k = 0; k < corners; ++k) {
            const D3DXVECTOR3 v = vertices[index[k]];
            if (!finitePosition(v)) {
                tree_.unbounded_.push_back(primitive);
                return;
            }
            const float p[3] = {v.x, v.y, v.z};
            for (int axis = 0; axis < 3; ++axis) {
                record.lo[axis] = k == 0 ? p[axis] : std::min(record.lo[axis], p[axis]);
                record.hi[axis] = k == 0 ? p[axis] : std::max(record.hi[axis], p[axis]);
            }
        }
        records_.push_back(record);
    }

    void finish() {
        if (records_.empty()) return;
        tree_.nodes_.reserve(2 * records_.size() / kLeafSize + 1);
        tree_.primitives_.reserve(records_.size());
        buildNode(0, records_.size(), measureCentres(0, records_.size()), 0);
        records_ = {};
    }

private:
    CentreBounds measureCentres(size_t begin, size_t end) const {
        CentreBounds c;
        for (int axis = 0; axis < 3; ++axis) {
            c.lo[axis] = std::numeric_limits<float>::max();
            c.hi[axis] = -std::numeric_limits<float>::max();
        }
        for (size_t i = begin; i < end; ++i)
            for (int axis = 0; axis < 3; ++axis) {
                c.lo[axis] = std::min(c.lo[axis], records_[i].centre(axis));
                c.hi[axis] = std::max(c.hi[axis], records_[i].centre(axis));
            }
        return c;
    }

    // Where [begin, end) splits: at the middle of the centres' widest side,
    // else (a skewed spread, or too deep) at the median centre. Narrows
    // `centres` to what each side may hold.
    size_t split(size_t begin, size_t end, int depth, CentreBounds& centres, CentreBounds* upper) {
        const auto below = [](int axis, float plane) {
            return [axis, plane](const BuildRecord& r) { return r.centre(axis) < plane; };
        };
        for (int attempt = 0; attempt < 2 && depth < kMiddleSplitDepth; ++attempt) {
            const int axis = centres.widestAxis();
            const float plane = 0.5f * (centres.lo[axis] + centres.hi[axis]);
            const auto middle = std::partition(records_.begin() + ptrdiff_t(begin),
                                               records_.begin() + ptrdiff_t(end), below(axis, plane));
            const size_t at = size_t(middle - records_.begin());
            if (at != begin && at != end) {
                *upper = centres;
                upper->lo[axis] = plane;
                centres.hi[axis] = plane;
                return at;
            }
            // The bounds handed down were loose: measure them and try again.
            centres = measureCentres(begin, end);
        }
        const int axis = centres.widestAxis();
        const size_t at = begin + (end - begin) / 2;
        std::nth_element(records_.begin() + ptrdiff_t(begin), records_.begin() + ptrdiff_t(at),
                         records_.begin() + ptrdiff_t(end),
                         [axis](const BuildRecord& a, const BuildRecord& b) { return a.centre(axis) < b.centre(axis); });
        centres = measureCentres(begin, at);
        *upper = measureCentres(at, end);
        return at;
    }

    // Boxes come from the leaves up: a leaf's records, widened, then unions.
    uint32_t buildNode(size_t begin, size_t end, CentreBounds centres, int depth) {
        const uint32_t index = uint32_t(tree_.nodes_.size());
        tree_.nodes_.push_back({});
        PickTree::Node node{};
        if (end - begin <= kLeafSize) {
            node.firstOrFar = uint32_t(tree_.primitives_.size());
            node.count = uint32_t(end - begin);
            node.minOrdinal = kNoOrdinal;
            for (int axis = 0; axis < 3; ++axis) {
                node.lo[axis] = std::numeric_limits<float>::max();
                node.hi[axis] = -std::numeric_limits<float>::max();
            }
            float largest = 0.0f;
            for (size_t i = begin; i < end; ++i) {
                const BuildRecord& r = records_[i];
                for (int axis = 0; axis < 3; ++axis) {
                    node.lo[axis] = std::min(node.lo[axis], r.lo[axis]);
                    node.hi[axis] = std::max(node.hi[axis], r.hi[axis]);
                    largest = std::max({largest, std::fabs(r.lo[axis]), std::fabs(r.hi[axis])});
                }
                node.minOrdinal = std::min(node.minOrdinal, r.primitive.ordinal);
                tree_.primitives_.push_back(r.primitive);
            }
            const float widen = float(kRelativeWidening * largest);
            for (int axis = 0; axis < 3; ++axis) node.lo[axis] -= widen, node.hi[axis] += widen;
            tree_.nodes_[index] = node;
            return index;
        }
        CentreBounds upper;
        const size_t middle = split(begin, end, depth, centres, &upper);
        buildNode(begin, middle, centres, depth + 1);
        node.firstOrFar = buildNode(middle, end, upper, depth + 1);
        node.count = 0;
        const PickTree::Node& near = tree_.nodes_[index + 1];
        const PickTree::Node& far = tree_.nodes_[node.firstOrFar];
        for (int axis = 0; axis < 3; ++axis) {
            node.lo[axis] = std::min(near.lo[axis], far.lo[axis]);
            node.hi[axis] = std::max(near.hi[axis], far.hi[axis]);
        }
        node.minOrdinal = std::min(near.minOrdinal, far.minOrdinal);
        tree_.nodes_[index] = node;
        return index;
    }

    PickTree& tree_;
    std::vector<BuildRecord> records_;
    uint32_t ordinal_ = 0;
};

PickTree PickTree::forFaces(const MeshData& faces) {
    PickTree tree;
    PickTreeBuilder builder(tree);
    // The same walk as pickFaceList: the faces it would test, in its order.
    size_t cursor = 0;
    while (cursor < faces.listLength && faces.list[cursor] != 0) {
        const uint32_t count = faces.list[cursor];
        if (count > faces.listLength - cursor - 1) break;
        const uint32_t* index = faces.list + cursor + 1;
        cursor += 1 + size_t(count);
        if (count < 3 || index[0] >= faces.vertexCount || index[1] >= faces.vertexCount ||
            index[2] >= faces.vertexCount)
            continue;
        builder.add(faces.vertices, index, 3);
    }
    builder.finish();
    return tree;
}

PickTree PickTree::forTriangles(VertexPositions vertices, uint32_t vertexCount,
                                const TriangleIndices& triangles) {
    PickTree tree;
    PickTreeBuilder builder(tree);
    for (size_t t = 0; t < triangles.size(); ++t) {
        const std::array<uint32_t, 3> index = triangles[t];
        if (index[0] >= vertexCount || index[1] >= vertexCount || index[2] >= vertexCount) continue;
        builder.add(vertices, index.data(), 3);
    }
    builder.finish();
    return tree;
}

PickTree PickTree::forLines(const MeshData& lines) {
    PickTree tree;
    PickTreeBuilder builder(tree);
    forEachPolyline(lines.list, lines.listLength, lines.vertexCount,
                    [&](const uint32_t* index, size_t count) {
                        for (size_t k = 0; k + 1 < count; ++k) builder.add(lines.vertices, index + k, 2);
                    });
    builder.finish();
    return tree;
}

bool PickTree::pickFace(const RayLine& ray, const MeshData& faces, D3DXVECTOR3* hit) const {
    double best = kFarthestPick;
    double bestSquared = best * best;
    uint32_t bestOrdinal = kNoOrdinal;
    bool found = false;
    auto consider = [&](const Primitive& p) {
        D3DXVECTOR3 point;
        double d = 0.0;
        if (!crossFace(ray, faces, p.index, &point, &d)) return;
        // Nearest first; among equals, the first in list order.
        if (d < best || (found && d == best && p.ordinal < bestOrdinal)) {
            best = d;
            bestSquared = d * d;
            bestOrdinal = p.ordinal;
            *hit = point;
            found = true;
        }
    };
    for (const Primitive& p : unbounded_) consider(p);
    // Rays the box tests cannot read go the long way: every triangle, the
    // tie on distance settled by list order as the boxes settle it.
    if (!finiteVector(ray.origin) || !finiteVector(ray.direction) || magnitude(ray.direction) == 0.0) {
        for (const Primitive& p : primitives_) consider(p);
        return found;
    }
    if (nodes_.empty()) return found;

    // A crossing lies in its triangle's box, so no box farther from the
    // origin than the best crossing can hold a better one.
    const LineProbe probe(ray, 0.0);
    struct Entry {
        uint32_t node;
        double squaredDistance;
    };
    std::array<Entry, kStackDepth> stack;
    size_t depth = 0;
    stack[depth++] = Entry{0, probe.squaredDistanceTo(nodes_[0])};
    while (depth > 0) {
        const Entry entry = stack[--depth];
        if (entry.squaredDistance > bestSquared) continue;
        const Node& node = nodes_[entry.node];
        if (!probe.meets(node)) continue;
        if (node.count > 0) {
            for (uint32_t i = 0; i < node.count; ++i) consider(primitives_[node.firstOrFar + i]);
            continue;
        }
        Entry nearer{entry.node + 1, probe.squaredDistanceTo(nodes_[entry.node + 1])};
        Entry farther{node.firstOrFar, probe.squaredDistanceTo(nodes_[node.firstOrFar])};
        if (farther.squaredDistance < nearer.squaredDistance) std::swap(nearer, farther);
        if (depth + 2 > kStackDepth) {
            for (const Primitive& p : primitives_) consider(p);
            return found;
        }
        stack[depth++] = farther;
        stack[depth++] = nearer;
    }
    return found;
}

bool PickTree::pickLine(const RayLine& ray, const MeshData& lines, double threshold,
                        D3DXVECTOR3* hit) const {
    // No gap is below a threshold of zero or less (or NaN).
    if (!(threshold > 0.0)) return false;
    if (!std::isfinite(threshold) || !finiteVector(ray.origin) || !finiteVector(ray.direction) ||
        magnitude(ray.direction) == 0.0)
        return pickLineRuns(ray, lines, threshold, hit);
    uint32_t bestOrdinal = kNoOrdinal;
    auto consider = [&](const Primitive& p) {
        D3DXVECTOR3 point;
        if (p.ordinal >= bestOrdinal ||
            !segmentWithin(ray, lines.vertices[p.index[0]], lines.vertices[p.index[1]], threshold,
                           &point))
            return;
        bestOrdinal = p.ordinal;
        *hit = point;
    };
    for (const Primitive& p : unbounded_) consider(p);
    if (nodes_.empty()) return bestOrdinal != kNoOrdinal;

    // A segment within the threshold lies in its box grown by the threshold.
    const LineProbe probe(ray, threshold);
    std::array<uint32_t, kStackDepth> stack;
    size_t depth = 0;
    stack[depth++] = 0;
    while (depth > 0) {
        const Node& node = nodes_[stack[--depth]];
        if (node.minOrdinal >= bestOrdinal || !probe.meets(node)) continue;
        if (node.count > 0) {
            for (uint32_t i = 0; i < node.count; ++i) consider(primitives_[node.firstOrFar + i]);
            continue;
        }
        // The child holding the earlier segments first.
        uint32_t first = uint32_t(&node - nodes_.data()) + 1, second = node.firstOrFar;
        if (nodes_[second].minOrdinal < nodes_[first].minOrdinal) std::swap(first, second);
        if (depth + 2 > kStackDepth) return pickLineRuns(ray, lines, threshold, hit);
        stack[depth++] = second;
        stack[depth++] = first;
    }
    return bestOrdinal != kNoOrdinal;
}

}  // namespace pelmora
