#include "HostPickWalk.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace pelmora::bench {

namespace {

HRESULT frameContents(int frame, std::vector<PelmoraVisualInfo>* entries) {
    int count = 0;
    HRESULT hr = PelmoraGetFrameContents(frame, nullptr, 0, &count);
    while (SUCCEEDED(hr)) {
        entries->resize(size_t(count));
        int listed = 0;
        hr = PelmoraGetFrameContents(frame, entries->data(), count, &listed);
        if (FAILED(hr) || listed <= count) {
            entries->resize(size_t(std::min(listed, count)));
            return hr;
        }
        count = listed;
    }
    return hr;
}

double dot(const Point3& a, const Point3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Point3 minus(const Point3& a, const Point3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

struct SightLine {
    Point3 nearPoint, farPoint, direction;
    double depthOf(const Point3& world) const {
        return dot(minus(world, nearPoint), direction) / dot(direction, direction);
    }
};

struct MeshPick {
    IDXContext* context;
    int viewport, x, y;
};

HRESULT pickFrom(const MeshPick& pick, int mesh, int frame, const Transform& world, const Transform& inverse,
                 const Point3& from, const Point3& direction, bool* hit, Point3* point) {
    const Point3 o = inverse.point(from), d = inverse.direction(direction);
    double hx = 0, hy = 0, hz = 0;
    VARIANT_BOOL isHit = VARIANT_FALSE;
    const HRESULT hr = pick.context->pickMesh(mesh, frame, pick.viewport, pick.x, pick.y, o[0], o[1], o[2], d[0],
                                              d[1], d[2], 0.0, 0.0, &hx, &hy, &hz, &isHit);
    *hit = SUCCEEDED(hr) && isHit != VARIANT_FALSE;
    if (*hit) *point = world.point({hx, hy, hz});
    return hr;
}

// The crossing seen first, or the one showing through a front plane that cuts the mesh.
HRESULT pickAlong(const MeshPick& pick, const SightLine& sight, int mesh, int frame, const Transform& world,
                  const Transform& inverse, double* depth, Point3* point) {
    *depth = -1.0;
    bool hit = false;
    HRESULT hr = pickFrom(pick, mesh, frame, world, inverse, sight.nearPoint, sight.direction, &hit, point);
    if (FAILED(hr) || !hit) return hr;
    double t = sight.depthOf(*point);
    if (t < 0.0) {
        const Point3 back{-sight.direction[0], -sight.direction[1], -sight.direction[2]};
        hr = pickFrom(pick, mesh, frame, world, inverse, sight.farPoint, back, &hit, point);
        if (FAILED(hr) || !hit) return hr;
        t = sight.depthOf(*point);
    }
    if (t >= 0.0 && t <= 1.0) *depth = t;
    return S_OK;
}

}  // namespace

HRESULT hostWalkPick(IDXContext* context, int viewport, int rootFrame, int x, int y, SceneHit* hit) {
    *hit = SceneHit{};
    SightLine sight;
    Point3& d = sight.direction;
    HRESULT hr = context->getSelectionRay(viewport, x, y, &sight.farPoint[0], &sight.farPoint[1], &sight.farPoint[2],
                                          &d[0], &d[1], &d[2]);
    if (FAILED(hr)) return hr;
    sight.nearPoint = minus(sight.farPoint, d);
    if (!(dot(d, d) > 0.0)) return S_OK;
    PelmoraVisualInfo root{};
    hr = PelmoraGetVisualInfo(rootFrame, &root);
    if (FAILED(hr)) return hr;
    const MeshPick pick{context, viewport, x, y};
    struct Pending {
        PelmoraVisualInfo frame;
        Transform parentWorld;
    };
    std::vector<Pending> pending{{root, Transform{}}};
    std::vector<PelmoraVisualInfo> entries;
    double nearest = std::numeric_limits<double>::infinity();
    while (!pending.empty()) {
        const Pending current = pending.back();
        pending.pop_back();
        if (current.frame.flags & PELMORA_VISUAL_HIDDEN) continue;
        Transform local;
        hr = getTransform(context, current.frame.handle, &local);
        if (FAILED(hr)) return hr;
        const Transform world = local.then(current.parentWorld);
        Transform inverse;
        const bool invertible = world.inverse(&inverse);
        hr = frameContents(current.frame.handle, &entries);
        if (FAILED(hr)) return hr;
        for (const PelmoraVisualInfo& entry : entries) {
            if (entry.kind == PELMORA_VISUAL_FRAME) {
                pending.push_back({entry, world});
                continue;
            }
            const int skipped = PELMORA_VISUAL_NEVER_RENDER | PELMORA_VISUAL_HIDDEN;
            if (entry.kind != PELMORA_VISUAL_MESH || (entry.flags & skipped) || !invertible) continue;
            double depth = -1.0;
            Point3 point{};
            hr = pickAlong(pick, sight, entry.handle, current.frame.handle, world, inverse, &depth, &point);
            if (FAILED(hr)) return hr;
            if (depth < 0.0 || depth >= nearest) continue;
            nearest = depth;
            hit->mesh = entry.handle;
            hit->frame = current.frame.handle;
            hit->point = point;
            hit->distance = depth * std::sqrt(dot(d, d));
        }
    }
    return S_OK;
}

}  // namespace pelmora::bench
