#include "view/ScenePick.h"

#include "core/Diagnostics.h"
#include "mesh/DXBillboard.h"
#include "scene/FrameMatrix.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

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

// Whether the segment from + s * along, s in [0, 1], meets the box grown by margin.
bool segmentMeetsBox(const Vec3& from, const Vec3& along, const ClipBox& box, double margin) {
    double enter = 0.0, leave = 1.0;
    const double start[3] = {from.x, from.y, from.z}, step[3] = {along.x, along.y, along.z};
    for (int axis = 0; axis < 3; ++axis) {
        const double low = box.minimum[axis] - margin, high = box.maximum[axis] + margin;
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
        if (const std::optional<ClipBox> box = placed.mesh->localBounds())
            if (!segmentMeetsBox(from, along, *box, threshold)) return S_OK;
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
        if (dynamic_cast<const DXBillboard*>(placed.mesh) != nullptr) {
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

void walk(const DXFrame& frame, const D3DMATRIX& parentWorld, bool includeHidden, std::vector<PlacedMesh>* placed) {
    if (!frame.isVisible()) return;
    const D3DMATRIX world = composeWorld(frame.localTransform(), parentWorld);
    for (DXVisual* visual : frame.visuals()) {
        auto* mesh = dynamic_cast<DXMesh*>(visual);
        if (mesh == nullptr || mesh->neverRender() || (!mesh->isVisible() && !includeHidden)) continue;
        placed->push_back({mesh, &frame, world});
    }
    for (const DXFrame* child : frame.children())
        if (child != nullptr) walk(*child, world, includeHidden, placed);
}

}  // namespace

void placedMeshes(const DXFrame& root, bool includeHidden, std::vector<PlacedMesh>* placed) {
    placed->clear();
    walk(root, identityMatrix(), includeHidden, placed);
}

HRESULT pickScene(DXViewport& viewport, const std::vector<PlacedMesh>& placed, int x, int y, double lineThreshold,
                  SceneHit* hit) {
    *hit = SceneHit{};
    const SelectionRay ray = selectionRay(viewport.transforms(), x, y);
    const Sight sight{vec(ray.origin) - vec(ray.direction), vec(ray.direction)};
    if (!(dot(sight.direction, sight.direction) > 0.0)) return S_OK;
    Picker picker(viewport, sight, x, y, std::max(0.0, lineThreshold));
    double nearest = std::numeric_limits<double>::infinity();
    for (const PlacedMesh& candidate : placed) {
        double depth = -1.0;
        Vec3 point{};
        PELMORA_RETURN_IF_FAILED(picker.depthOf(candidate, &depth, &point));
        if (depth < 0.0 || depth >= nearest) continue;
        nearest = depth;
        *hit = SceneHit{candidate, narrow(point), depth * std::sqrt(dot(sight.direction, sight.direction))};
    }
    return S_OK;
}

void selectInRectangle(DXViewport& viewport, const std::vector<PlacedMesh>& placed, const RECT& area,
                       Selection mode, std::vector<PlacedMesh>* selected) {
    selected->clear();
    const ViewTransforms transforms = viewport.transforms();
    const auto inside = [&](const D3DXVECTOR3& world) {
        const D3DXVECTOR4 clip = worldToClip(transforms, world);
        if (!(clip.w > 0.0f)) return false;
        const ScreenPoint at = clipToScreen(transforms, clip);
        return at.x >= area.left && at.x < area.right && at.y >= area.top && at.y < area.bottom;
    };
    for (const PlacedMesh& candidate : placed) {
        const MeshData data = candidate.mesh->selectionData();
        if (data.vertexCount == 0) continue;
        size_t count = 0;
        for (uint32_t i = 0; i < data.vertexCount; ++i) {
            D3DXVECTOR3 world;
            const D3DXVECTOR3 local = data.vertices[i];
            D3DXVec3TransformCoord(&world, &local, &candidate.world);
            if (inside(world)) ++count;
            else if (mode == Selection::Inside) break;
            if (mode == Selection::Crossing && count > 0) break;
        }
        const bool chosen = mode == Selection::Inside ? count == data.vertexCount : count > 0;

        if (chosen) selected->push_back(candidate);
    }
}

}  // namespace pelmora
