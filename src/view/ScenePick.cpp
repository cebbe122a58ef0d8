#include "view/ScenePick.h"

#include "core/Diagnostics.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <optional>
#include <queue>
#include <vector>

namespace pelmora {

namespace {

struct Vec3 {
    double x, y, z;
};

Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator*(const Vec3& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 vec(const D3DVECTOR& v) { return {v.x, v.y, v.z}; }
D3DXVECTOR3 narrow(const Vec3& v) { return D3DXVECTOR3(float(v.x), float(v.y), float(v.z)); }

// A frame's world transform in double, rows as the device takes them (a
// point is a row vector): three rows of the linear part, then the translation.
struct Affine {
    double r[4][3];

    static Affine of(const D3DMATRIX& m) {
        return {{{m._11, m._12, m._13}, {m._21, m._22, m._23}, {m._31, m._32, m._33}, {m._41, m._42, m._43}}};
    }
    Vec3 direction(const Vec3& v) const {
        return {v.x * r[0][0] + v.y * r[1][0] + v.z * r[2][0], v.x * r[0][1] + v.y * r[1][1] + v.z * r[2][1],
                v.x * r[0][2] + v.y * r[1][2] + v.z * r[2][2]};
    }
    Vec3 point(const Vec3& v) const {
        const Vec3 d = direction(v);
        return {d.x + r[3][0], d.y + r[3][1], d.z + r[3][2]};
    }
    double determinant() const {
        return r[0][0] * (r[1][1] * r[2][2] - r[1][2] * r[2][1]) - r[0][1] * (r[1][0] * r[2][2] - r[1][2] * r[2][0]) +
               r[0][2] * (r[1][0] * r[2][1] - r[1][1] * r[2][0]);
    }
    // False for a transform that flattens space (or is not finite).
    bool inverse(Affine* out) const {
        const double det = determinant();
        if (!(std::fabs(det) > 0.0) || !std::isfinite(det)) return false;
        const auto& a = r;
        double (&b)[4][3] = out->r;
        b[0][0] = (a[1][1] * a[2][2] - a[1][2] * a[2][1]) / det;
        b[0][1] = (a[0][2] * a[2][1] - a[0][1] * a[2][2]) / det;
        b[0][2] = (a[0][1] * a[1][2] - a[0][2] * a[1][1]) / det;
        b[1][0] = (a[1][2] * a[2][0] - a[1][0] * a[2][2]) / det;
        b[1][1] = (a[0][0] * a[2][2] - a[0][2] * a[2][0]) / det;
        b[1][2] = (a[0][2] * a[1][0] - a[0][0] * a[1][2]) / det;
        b[2][0] = (a[1][0] * a[2][1] - a[1][1] * a[2][0]) / det;
        b[2][1] = (a[0][1] * a[2][0] - a[0][0] * a[2][1]) / det;
        b[2][2] = (a[0][0] * a[1][1] - a[0][1] * a[1][0]) / det;
        const Vec3 t = out->direction({a[3][0], a[3][1], a[3][2]});
        b[3][0] = -t.x;
        b[3][1] = -t.y;
        b[3][2] = -t.z;
        return true;
    }
};

// The sight line under a pixel, from the front plane to the back plane.
struct Sight {
    Vec3 nearPoint;
    Vec3 direction;  // back-plane point minus front-plane point
    // 0 on the front plane, 1 on the back one.
    double depthOf(const Vec3& world) const { return dot(world - nearPoint, direction) / dot(direction, direction); }
};

WorldBox widened(const ClipBox& box) {
    return WorldBox{{box.minimum[0], box.minimum[1], box.minimum[2]}, {box.maximum[0], box.maximum[1], box.maximum[2]}};
}

// Whether the segment from + s * along, s in [0, 1], meets the box; where
// it enters it, as s, in *entered.
bool segmentMeetsBox(const Vec3& from, const Vec3& along, const WorldBox& box, double* entered = nullptr) {
    double enter = 0.0, leave = 1.0;
    const double start[3] = {from.x, from.y, from.z}, step[3] = {along.x, along.y, along.z};
    for (int axis = 0; axis < 3; ++axis) {
        const double low = box.minimum[axis], high = box.maximum[axis];
        if (step[axis] == 0.0) {
            if (start[axis] < low || start[axis] > high) return false;
            continue;
        }
        double a = (low - start[axis]) / step[axis], b = (high - start[axis]) / step[axis];
        if (a > b) std::swap(a, b);
        enter = std::max(enter, a);
        leave = std::min(leave, b);
        if (!(enter <= leave)) return false;
    }
    if (entered != nullptr) *entered = enter;
    return true;
}

class Picker {
public:
    Picker(DXViewport& viewport, const Sight& sight, int x, int y, double lineThreshold)
        : viewport_(viewport), sight_(sight), x_(x), y_(y), lineThreshold_(lineThreshold) {}

    // The mesh's crossing with the sight line as a depth in [0, 1] and a
    // world point; a negative depth when there is none.
    HRESULT depthOf(const PlacedMesh& placed, double* depth, Vec3* point) {
        *depth = -1.0;
        const Affine world = Affine::of(placed.world);
        Affine inverse{};
        if (!world.inverse(&inverse)) return S_OK;
        const double threshold = lineThreshold_ / std::cbrt(std::fabs(world.determinant()));
        const Vec3 from = inverse.point(sight_.nearPoint), along = inverse.direction(sight_.direction);
        if (const std::optional<ClipBox> box = placed.mesh->localBounds()) {
            const double margin[3] = {threshold, threshold, threshold};
            if (!segmentMeetsBox(from, along, widened(*box).grown(margin))) return S_OK;
        }
        // The crossing nearest the front plane on either side of it: when the
        // front plane cuts the mesh and a crossing in front of it is nearer,
        // the one nearest the back plane is the one that shows through the cut.
        bool hit = false;
        PELMORA_RETURN_IF_FAILED(pickFrom(placed, world, from, along, threshold, &hit, point));
        if (!hit) return S_OK;
        double t = sight_.depthOf(*point);
        if (t < 0.0) {
            PELMORA_RETURN_IF_FAILED(pickFrom(placed, world, from + along, along * -1.0, threshold, &hit, point));
            if (!hit) return S_OK;
            t = sight_.depthOf(*point);
        }
        if (t >= 0.0 && t <= 1.0) *depth = t;
        return S_OK;
    }

private:
    HRESULT pickFrom(const PlacedMesh& placed, const Affine& world, const Vec3& origin, const Vec3& direction,
                     double threshold, bool* hit, Vec3* point) {
        PickRequest request;
        request.x = x_;
        request.y = y_;
        // Billboards are picked around their anchor: the pixel relative to it.
        if (placed.billboard) {
            const Vec3 anchor = world.point({0.0, 0.0, 0.0});
            const ScreenPoint at = worldToScreen(viewport_.transforms(), narrow(anchor));
            request.x = int(std::clamp(std::floor(double(x_) - at.x), double(INT_MIN), double(INT_MAX)));
            request.y = int(std::clamp(std::floor(double(y_) - at.y), double(INT_MIN), double(INT_MAX)));
        }
        request.origin = narrow(origin);
        request.direction = narrow(direction);
        request.threshold = request.backThreshold = threshold;
        PickResult result;
        PELMORA_RETURN_IF_FAILED(placed.mesh->pickMesh(&viewport_, request, &result));
        *hit = result.hit;
        if (result.hit) *point = world.point(vec(result.point));
        return S_OK;
    }

    DXViewport& viewport_;
    const Sight& sight_;
    int x_, y_;
    double lineThreshold_;
};

// The least depth any point of the box can have along the sight line: a hit
// point lies in its mesh's box, so a box whose least depth is beyond the
// nearest hit so far holds nothing nearer.
double leastDepth(const Sight& sight, const WorldBox& box) {
    const Vec3 centre{box.centre(0), box.centre(1), box.centre(2)};
    const double reach = std::fabs(sight.direction.x) * 0.5 * (box.maximum[0] - box.minimum[0]) +
                         std::fabs(sight.direction.y) * 0.5 * (box.maximum[1] - box.minimum[1]) +
                         std::fabs(sight.direction.z) * 0.5 * (box.maximum[2] - box.minimum[2]);
    return (dot(centre - sight.nearPoint, sight.direction) - reach) / dot(sight.direction, sight.direction);
}

// The nearest hit so far; between equally near hits the one drawn first.
class NearestHit {
public:
    NearestHit(const SceneIndex& index, const Sight& sight, PlacedHit* hit) : index_(index), sight_(sight), hit_(hit) {}

    double depth() const { return depth_; }

    HRESULT consider(Picker& picker, uint32_t placedIndex) {
        double depth = -1.0;
        Vec3 point{};
        PELMORA_RETURN_IF_FAILED(picker.depthOf(index_.placed()[placedIndex], &depth, &point));
        if (depth < 0.0 || depth > depth_ || (depth == depth_ && placedIndex > placedIndex_)) return S_OK;
        depth_ = depth;
        placedIndex_ = placedIndex;
        *hit_ = PlacedHit{index_.placed()[placedIndex], narrow(point),
                         depth * std::sqrt(dot(sight_.direction, sight_.direction))};
        return S_OK;
    }

private:
    const SceneIndex& index_;
    const Sight& sight_;
    PlacedHit* hit_;
    double depth_ = std::numeric_limits<double>::infinity();
    uint32_t placedIndex_ = 0;
};

// Walks the boxes the sight line meets, the one that may hold the nearest
// hit first, until none may hold a hit nearer than the nearest so far. With
// a line threshold a hit may lie off the sight line, anywhere in its mesh's
// grown box, so a box is bounded by its least depth; without one a hit lies
// on the line, no nearer than where the line enters its box (grown for
// single precision when it was built).
HRESULT pickInTree(const SceneIndex& index, const Sight& sight, double lineThreshold, Picker& picker,
                   NearestHit& nearest) {
    const BoxTree& tree = index.tree();
    if (tree.empty()) return S_OK;
    double margin[3];
    for (int axis = 0; axis < 3; ++axis) margin[axis] = lineThreshold * index.lineReach()[axis];
    struct Pending {
        double depth;
        uint32_t node;
        bool operator<(const Pending& other) const { return depth > other.depth; }  // nearest on top
    };
    std::priority_queue<Pending> pending;
    const auto push = [&](uint32_t node) {
        const WorldBox box = tree.node(node).box.grown(margin);
        double enter = 0.0;
        if (!segmentMeetsBox(sight.nearPoint, sight.direction, box, &enter)) return;
        pending.push({lineThreshold > 0.0 ? leastDepth(sight, box) : enter, node});
    };
    push(0);
    while (!pending.empty() && pending.top().depth <= nearest.depth()) {
        const BoxTree::Node& node = tree.node(pending.top().node);
        pending.pop();
        if (!node.leaf()) {
            push(node.first);
            push(node.first + 1);
            continue;
        }
        for (uint32_t k = node.first; k < node.first + node.count; ++k)
            PELMORA_RETURN_IF_FAILED(nearest.consider(picker, index.boxed()[tree.order()[k]]));
    }
    return S_OK;
}

}  // namespace

HRESULT pickScene(DXViewport& viewport, const SceneIndex& index, int x, int y, double lineThreshold, PlacedHit* hit) {
    *hit = PlacedHit{};
    const SelectionRay ray = selectionRay(viewport.transforms(), x, y);
    const Sight sight{vec(ray.origin) - vec(ray.direction), vec(ray.direction)};
    if (!(dot(sight.direction, sight.direction) > 0.0)) return S_OK;
    const double threshold = std::max(0.0, lineThreshold);
    Picker picker(viewport, sight, x, y, threshold);
    NearestHit nearest(index, sight, hit);
    // Billboards and meshes without a box yet are asked every time.
    for (uint32_t placed : index.unboxed()) PELMORA_RETURN_IF_FAILED(nearest.consider(picker, placed));
    return pickInTree(index, sight, threshold, picker, nearest);
}

}  // namespace pelmora
