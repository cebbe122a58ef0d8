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

// ---- The rectangle selection ----

// World to clip space, K x V x P, multiplied out in double.
struct ClipMatrix {
    double m[4][4];
};

ClipMatrix worldToClipMatrix(const ViewTransforms& t) {
    const D3DXMATRIX* factors[3] = {&t.camera, &t.view, &t.projection};
    ClipMatrix product{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) product.m[i][j] = double(t.camera.m[i][j]);
    for (int f = 1; f < 3; ++f) {
        ClipMatrix next{};
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                for (int k = 0; k < 4; ++k) next.m[i][j] += product.m[i][k] * double(factors[f]->m[k][j]);
        product = next;
    }
    return product;
}

// A function of world points that is linear (a . p + b), with its least and
// greatest values over a box.
struct Linear {
    double a[3], b;

    double at(const D3DXVECTOR3& p) const { return a[0] * p.x + a[1] * p.y + a[2] * p.z + b; }
    double least(const WorldBox& box) const { return middle(box) - spread(box); }
    double greatest(const WorldBox& box) const { return middle(box) + spread(box); }
    // The same function of a mesh's own coordinates, for a mesh drawn with world.
    Linear through(const D3DMATRIX& world) const {
        const D3DXVECTOR3 translation(world._41, world._42, world._43);
        return {{a[0] * world._11 + a[1] * world._12 + a[2] * world._13,
                 a[0] * world._21 + a[1] * world._22 + a[2] * world._23,
                 a[0] * world._31 + a[1] * world._32 + a[2] * world._33},
                at(translation)};
    }
    Linear scaled(double times) const { return {{a[0] * times, a[1] * times, a[2] * times}, b * times}; }
    Linear plus(const Linear& other, double times) const {
        return {{a[0] + times * other.a[0], a[1] + times * other.a[1], a[2] + times * other.a[2]},
                b + times * other.b};
    }

private:
    double middle(const WorldBox& box) const {
        return a[0] * box.centre(0) + a[1] * box.centre(1) + a[2] * box.centre(2) + b;
    }
    double spread(const WorldBox& box) const {
        double sum = 0.0;
        for (int axis = 0; axis < 3; ++axis) sum += std::fabs(a[axis]) * 0.5 * (box.maximum[axis] - box.minimum[axis]);
        return sum;
    }
};

// A vertex is selected when it lies in front of the eye (w > 0) and its
// pixel inside the rectangle. Times w, each side of the rectangle is a
// linear function of the world point, so a box is judged exactly by the
// least and greatest values of five linear functions over it, without
// dividing by w: wholly outside when one side is negative all over it,
// wholly inside when every side is positive all over it (the sides moved
// by kPixelMargin, out for the first test and in for the second, so that
// rounding never sets a box's verdict apart from its vertices'). A mesh the
// sides cross is judged vertex by vertex with the same functions, carried
// into its own coordinates.
class RectangleRegion {
public:
    enum class Verdict { Outside, Inside, Across };

    RectangleRegion(const ViewTransforms& t, const RECT& area) {
        const ClipMatrix clip = worldToClipMatrix(t);
        const auto& m = clip.m;
        const auto clipColumn = [&](int k) { return Linear{{m[0][k], m[1][k], m[2][k]}, m[3][k]}; };
        w_ = clipColumn(3);
        // The pixel column times w, and the pixel row times w.
        const Linear across = clipColumn(0).plus(w_, 1.0).scaled(0.5 * t.width);
        const Linear down = w_.plus(clipColumn(1), -1.0).scaled(0.5 * t.height);
        sides_[0] = across.plus(w_, -double(area.left));
        sides_[1] = w_.scaled(double(area.right)).plus(across, -1.0);
        sides_[2] = down.plus(w_, -double(area.top));
        sides_[3] = w_.scaled(double(area.bottom)).plus(down, -1.0);
    }

    Verdict judge(const WorldBox& box) const {
        if (!(w_.greatest(box) > 0.0)) return Verdict::Outside;
        bool inside = w_.least(box) > 0.0;
        for (const Linear& side : sides_) {
            if (side.plus(w_, kPixelMargin).greatest(box) < 0.0) return Verdict::Outside;
            inside = inside && side.plus(w_, -kPixelMargin).least(box) >= 0.0;
        }
        return inside ? Verdict::Inside : Verdict::Across;
    }

    // The mesh judged vertex by vertex: every vertex (Inside) or one
    // (Crossing) in front of the eye with its pixel inside the rectangle.
    bool selectsVertices(const PlacedMesh& placed, Selection mode) const {
        const MeshData data = placed.mesh->selectionData();
        if (data.vertexCount == 0) return false;
        const Linear w = w_.through(placed.world);
        Linear sides[4];
        for (int i = 0; i < 4; ++i) sides[i] = sides_[i].through(placed.world);
        for (uint32_t i = 0; i < data.vertexCount; ++i) {
            const D3DXVECTOR3 vertex = data.vertices[i];
            // The left and top sides take their pixels in, the right and bottom ones leave theirs out.
            const bool in = w.at(vertex) > 0.0 && sides[0].at(vertex) >= 0.0 && sides[1].at(vertex) > 0.0 &&
                            sides[2].at(vertex) >= 0.0 && sides[3].at(vertex) > 0.0;
            if (in != (mode == Selection::Inside)) return in;
        }
        return mode == Selection::Inside;
    }

private:
    static constexpr double kPixelMargin = 0.01;
    Linear w_{};
    Linear sides_[4]{};
};

class RectangleSelection {
public:
    RectangleSelection(const SceneIndex& index, const ViewTransforms& transforms, const RECT& area, Selection mode)
        : index_(index), mode_(mode), region_(transforms, area) {}

    // The selected meshes' places in the index, in the render's order.
    std::vector<uint32_t> run() {
        for (uint32_t placed : index_.unboxed()) judgeByVertices(placed);
        if (!index_.tree().empty()) visit(0, false);
        std::sort(chosen_.begin(), chosen_.end());
        return std::move(chosen_);
    }

private:
    void visit(uint32_t nodeIndex, bool wholeInside) {
        const BoxTree::Node& node = index_.tree().node(nodeIndex);
        if (!wholeInside) {
            const RectangleRegion::Verdict verdict = region_.judge(node.box);
            if (verdict == RectangleRegion::Verdict::Outside) return;
            wholeInside = verdict == RectangleRegion::Verdict::Inside;
        }
        if (!node.leaf()) {
            visit(node.first, wholeInside);
            visit(node.first + 1, wholeInside);
            return;
        }
        for (uint32_t k = node.first; k < node.first + node.count; ++k) {
            const uint32_t placed = index_.boxed()[index_.tree().order()[k]];
            // Every vertex lies in its box, so a box wholly inside settles both modes.
            if (wholeInside) {
                if (index_.placed()[placed].mesh->selectionData().vertexCount > 0) chosen_.push_back(placed);
            } else {
                judgeByVertices(placed);
            }
        }
    }

    void judgeByVertices(uint32_t placed) {
        if (region_.selectsVertices(index_.placed()[placed], mode_)) chosen_.push_back(placed);
    }

    const SceneIndex& index_;
    Selection mode_;
    RectangleRegion region_;
    std::vector<uint32_t> chosen_;
};

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

void selectInRectangle(DXViewport& viewport, const SceneIndex& index, const RECT& area, Selection mode,
                       std::vector<PlacedMesh>* selected) {
    selected->clear();
    const ViewTransforms transforms = viewport.transforms();
    for (uint32_t placed : RectangleSelection(index, transforms, area, mode).run())
        selected->push_back(index.placed()[placed]);
}

}  // namespace pelmora
