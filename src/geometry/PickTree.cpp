#include "geometry/PickTree.h"

#include "geometry/LineRuns.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace pelmora {

namespace {

constexpr size_t kLeafSize = 4;
// Boxes are widened at each test by this share of the coordinates'
// magnitude (about 80 steps of a float), so a crossing that rounding puts on
// a primitive never falls outside the primitive's box.
constexpr double kRelativeWidening = 1e-5;
constexpr uint32_t kNoOrdinal = std::numeric_limits<uint32_t>::max();
// Deep enough for any tree a median split makes of 2^32 primitives.
constexpr size_t kStackDepth = 128;

using Primitive = PickTree::Primitive;

struct BuildRecord {
    float lo[3];
    float hi[3];
    Primitive primitive;

    float centre(int axis) const { return lo[axis] + hi[axis]; }
};

bool finitePosition(const MeshVertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool finiteVector(const D3DXVECTOR3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

double magnitude(const D3DXVECTOR3& v) {
    return std::max({std::fabs(double(v.x)), std::fabs(double(v.y)), std::fabs(double(v.z))});
}

// The ray as the box tests read it, in double.
struct LineProbe {
    double origin[3];
    double direction[3];
    double originMagnitude;

    explicit LineProbe(const RayLine& ray)
        : origin{ray.origin.x, ray.origin.y, ray.origin.z},
          direction{ray.direction.x, ray.direction.y, ray.direction.z},
          originMagnitude(magnitude(ray.origin)) {}

    template <class Node>
    double widening(const Node& node, double extra) const {
        double largest = 0.0;
        for (int axis = 0; axis < 3; ++axis)
            largest = std::max({largest, std::fabs(double(node.lo[axis])), std::fabs(double(node.hi[axis]))});
        return kRelativeWidening * (originMagnitude + largest) + extra;
    }

    // Whether the whole line meets the box grown by `grow` on every side.
    template <class Node>
    bool meets(const Node& node, double grow) const {
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

    // The distance from the origin to the nearest point of the grown box.
    template <class Node>
    double distanceTo(const Node& node, double grow) const {
        double sum = 0.0;
        for (int axis = 0; axis < 3; ++axis) {
            const double below = (node.lo[axis] - grow) - origin[axis];
            const double above = origin[axis] - (node.hi[axis] + grow);
            const double gap = std::max({below, above, 0.0});
            sum += gap * gap;
        }
        return std::sqrt(sum);
    }
};

}  // namespace

class PickTreeBuilder {
public:
    explicit PickTreeBuilder(PickTree& tree) : tree_(tree) {}

    // A primitive of `corners` vertices (3 or 2) at the given indices.
    void add(const MeshData& data, const uint32_t* index, int corners) {
        Primitive primitive{ordinal_++, {index[0], index[1], corners == 3 ? index[2] : index[1]}};
        BuildRecord record{{0, 0, 0}, {0, 0, 0}, primitive};
        for (int k = 0; k < corners; ++k) {
            const MeshVertex& v = data.vertices[index[k]];
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
        buildNode(0, records_.size());
        records_ = {};
    }

private:
    uint32_t buildNode(size_t begin, size_t end) {
        const uint32_t index = uint32_t(tree_.nodes_.size());
        tree_.nodes_.push_back({});
        PickTree::Node node{};
        float centreLo[3], centreHi[3];
        node.minOrdinal = kNoOrdinal;
        for (int axis = 0; axis < 3; ++axis) {
            node.lo[axis] = centreLo[axis] = std::numeric_limits<float>::max();
            node.hi[axis] = centreHi[axis] = -std::numeric_limits<float>::max();
        }
        for (size_t i = begin; i < end; ++i) {
            const BuildRecord& r = records_[i];
            for (int axis = 0; axis < 3; ++axis) {
                node.lo[axis] = std::min(node.lo[axis], r.lo[axis]);
                node.hi[axis] = std::max(node.hi[axis], r.hi[axis]);
                centreLo[axis] = std::min(centreLo[axis], r.centre(axis));
                centreHi[axis] = std::max(centreHi[axis], r.centre(axis));
            }
            node.minOrdinal = std::min(node.minOrdinal, r.primitive.ordinal);
        }
        int axis = 0;
        for (int a = 1; a < 3; ++a)
            if (centreHi[a] - centreLo[a] > centreHi[axis] - centreLo[axis]) axis = a;
        if (end - begin <= kLeafSize || !(centreHi[axis] > centreLo[axis])) {
            node.firstOrFar = uint32_t(tree_.primitives_.size());
            node.count = uint32_t(end - begin);
            for (size_t i = begin; i < end; ++i) tree_.primitives_.push_back(records_[i].primitive);
            tree_.nodes_[index] = node;
            return index;
        }
        const size_t middle = begin + (end - begin) / 2;
        std::nth_element(records_.begin() + ptrdiff_t(begin), records_.begin() + ptrdiff_t(middle),
                         records_.begin() + ptrdiff_t(end),
                         [axis](const BuildRecord& a, const BuildRecord& b) {
                             return a.centre(axis) < b.centre(axis);
                         });
        buildNode(begin, middle);
        node.firstOrFar = buildNode(middle, end);
        node.count = 0;
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
        builder.add(faces, index, 3);
    }
    builder.finish();
    return tree;
}

PickTree PickTree::forLines(const MeshData& lines) {
    PickTree tree;
    PickTreeBuilder builder(tree);
    forEachPolyline(lines.list, lines.listLength, lines.vertexCount,
                    [&](const uint32_t* index, size_t count) {
                        for (size_t k = 0; k + 1 < count; ++k) builder.add(lines, index + k, 2);
                    });
    builder.finish();
    return tree;
}

bool PickTree::pickFace(const RayLine& ray, const MeshData& faces, D3DXVECTOR3* hit) const {
    // Rays the box tests cannot read go the long way.
    if (!finiteVector(ray.origin) || !finiteVector(ray.direction) ||
        magnitude(ray.direction) == 0.0)
        return pickFaceList(ray, faces, hit);
    double best = kFarthestPick;
    uint32_t bestOrdinal = kNoOrdinal;
    bool found = false;
    auto consider = [&](const Primitive& p) {
        D3DXVECTOR3 point;
        double d = 0.0;
        if (!crossFace(ray, faces, p.index, &point, &d)) return;
        // Nearest first; among equals, the first in list order.
        if (d < best || (found && d == best && p.ordinal < bestOrdinal)) {
            best = d;
            bestOrdinal = p.ordinal;
            *hit = point;
            found = true;
        }
    };
    for (const Primitive& p : unbounded_) consider(p);
    if (nodes_.empty()) return found;

    const LineProbe probe(ray);
    std::array<uint32_t, kStackDepth> stack;
    size_t depth = 0;
    stack[depth++] = 0;
    while (depth > 0) {
        const Node& node = nodes_[stack[--depth]];
        const double grow = probe.widening(node, 0.0);
        if (probe.distanceTo(node, grow) > best || !probe.meets(node, grow)) continue;
        if (node.count > 0) {
            for (uint32_t i = 0; i < node.count; ++i) consider(primitives_[node.firstOrFar + i]);
            continue;
        }
        const uint32_t nearChild = uint32_t(&node - nodes_.data()) + 1;
        uint32_t first = nearChild, second = node.firstOrFar;
        if (probe.distanceTo(nodes_[second], 0.0) < probe.distanceTo(nodes_[first], 0.0))
            std::swap(first, second);
        if (depth + 2 > kStackDepth) return pickFaceList(ray, faces, hit);
        stack[depth++] = second;
        stack[depth++] = first;
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

    const LineProbe probe(ray);
    std::array<uint32_t, kStackDepth> stack;
    size_t depth = 0;
    stack[depth++] = 0;
    while (depth > 0) {
        const Node& node = nodes_[stack[--depth]];
        if (node.minOrdinal >= bestOrdinal || !probe.meets(node, probe.widening(node, threshold)))
            continue;
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
