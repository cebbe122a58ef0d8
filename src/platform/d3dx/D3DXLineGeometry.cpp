#include "platform/d3dx/D3DXLineGeometry.h"

#include <cmath>

namespace pelmora::d3dx {
namespace {

// Points closer than this are one point: a segment needs a direction.
constexpr float kSamePoint = 1e-4f;
// Below this, two unit normals point in opposite directions (a full turn back).
constexpr float kOpposite = 1e-4f;
// Points at or behind the eye have no screen position.
constexpr float kMinimumW = 1e-6f;
// A shared mitre may take at most this share of either segment beside it, so
// the joins at both ends of a short segment never cross.
constexpr float kMiterShareOfSegment = 0.5f;

bool samePoint(const ScreenPoint& a, const ScreenPoint& b) {
    return std::fabs(a.x - b.x) < kSamePoint && std::fabs(a.y - b.y) < kSamePoint;
}

// A point after the transform, before the division by w.
struct ClipPoint {
    D3DXVECTOR4 v;
    bool visible() const { return v.z >= 0.0f && v.w > kMinimumW; }
};

ClipPoint lerp(const ClipPoint& a, const ClipPoint& b, float t) {
    return {{a.v.x + (b.v.x - a.v.x) * t, a.v.y + (b.v.y - a.v.y) * t,
             a.v.z + (b.v.z - a.v.z) * t, a.v.w + (b.v.w - a.v.w) * t}};
}

// Where the segment meets the near plane z = 0.
ClipPoint nearPlaneCrossing(const ClipPoint& a, const ClipPoint& b) {
    return lerp(a, b, a.v.z / (a.v.z - b.v.z));
}

ScreenPoint toScreen(const ClipPoint& c, const D3DVIEWPORT9& vp) {
    const float rhw = 1.0f / c.v.w;
    return {float(vp.X) + (c.v.x * rhw + 1.0f) * 0.5f * float(vp.Width),
            float(vp.Y) + (1.0f - c.v.y * rhw) * 0.5f * float(vp.Height),
            vp.MinZ + c.v.z * rhw * (vp.MaxZ - vp.MinZ), rhw};
}

ClipPoint transformed(const D3DXVECTOR3& p, const D3DMATRIX& m) {
    return {{p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41,
             p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42,
             p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43,
             p.x * m._14 + p.y * m._24 + p.z * m._34 + m._44}};
}

}  // namespace

// One segment of the polyline: its unit direction, the unit normal to its
// left, and its length.
struct WideLineMesh::Segment {
    float dx, dy, nx, ny, length;

    static Segment between(const ScreenPoint& a, const ScreenPoint& b) {
        const float x = b.x - a.x, y = b.y - a.y;
        const float length = std::sqrt(x * x + y * y);
        const float inverse = 1.0f / length;
        return {x * inverse, y * inverse, -y * inverse, x * inverse, length};
    }
};

void WideLineMesh::clear() {
    vertices_.clear();
    indices_.clear();
    opaque_ = true;
}

uint32_t WideLineMesh::vertex(const ScreenPoint& p, float dx, float dy) {
    const auto index = uint32_t(vertices_.size());
    vertices_.push_back({p.x + dx, p.y + dy, p.z, p.rhw, colour_});
    return index;
}

WideLineMesh::Pair WideLineMesh::across(const ScreenPoint& p, float nx, float ny, float scale) {
    const uint32_t plus = vertex(p, nx * scale, ny * scale);
    return {plus, vertex(p, -nx * scale, -ny * scale)};
}

void WideLineMesh::triangle(uint32_t a, uint32_t b, uint32_t c) {
    indices_.push_back(a);
    indices_.push_back(b);
    indices_.push_back(c);
}

void WideLineMesh::quad(const Pair& from, const Pair& to) {
    triangle(from.plus, from.minus, to.plus);
    triangle(from.minus, to.minus, to.plus);
}

WideLineMesh::Join WideLineMesh::join(const ScreenPoint& p, const Segment& before,
                                      const Segment& after) {
    const float sx = before.nx + after.nx, sy = before.ny + after.ny;
    const float sumLength = std::sqrt(sx * sx + sy * sy);
    // The mitre: along the bisector of the normals, where the offset edges meet.
    float mx = 0.0f, my = 0.0f, reach = 0.0f;
    bool withinLimit = false;
    if (sumLength > kOpposite) {
        const float inverse = 1.0f / sumLength;
        mx = sx * inverse;
        my = sy * inverse;
        reach = half_ / (mx * before.nx + my * before.ny);
        withinLimit = reach <= kMiterLimit * half_;
    }
    if (withinLimit) {
        const float along = std::fabs(reach * (mx * before.dx + my * before.dy));
        const float room = kMiterShareOfSegment * std::fmin(before.length, after.length);
        if (along <= room) {
            const Pair shared = across(p, mx, my, reach);
            return {shared, shared};
        }
    }
    // Square ends, and the outer side of the turn filled from the point.
    const Join ends{across(p, before.nx, before.ny, half_), across(p, after.nx, after.ny, half_)};
    const bool plusOutside = before.nx * after.dx + before.ny * after.dy < 0.0f;
    const uint32_t outerBefore = plusOutside ? ends.end.plus : ends.end.minus;
    const uint32_t outerAfter = plusOutside ? ends.start.plus : ends.start.minus;
    const uint32_t centre = vertex(p, 0.0f, 0.0f);
    if (withinLimit) {
        const float side = plusOutside ? reach : -reach;
        const uint32_t tip = vertex(p, mx * side, my * side);
        triangle(centre, outerBefore, tip);
        triangle(centre, tip, outerAfter);
    } else {
        triangle(centre, outerBefore, outerAfter);
    }
    return ends;
}

void WideLineMesh::append(const ScreenPoint* points, size_t count, float width, D3DCOLOR colour) {
    distinct_.clear();
    for (size_t i = 0; i < count; ++i)
        if (distinct_.empty() || !samePoint(distinct_.back(), points[i]))
            distinct_.push_back(points[i]);
    const bool closed = distinct_.size() > 3 && samePoint(distinct_.front(), distinct_.back());
    if (closed) distinct_.pop_back();
    const size_t n = distinct_.size();
    if (n < 2) return;
    half_ = width * 0.5f;
    colour_ = colour;
    opaque_ = opaque_ && (colour >> 24) == 0xFFu;

    const auto segment = [&](size_t i) {
        return Segment::between(distinct_[i], distinct_[i + 1 == n ? 0 : i + 1]);
    };
    const size_t segments = closed ? n : n - 1;
    Segment before = segment(0);
    Pair start{};
    Pair lastEnd{};
    if (closed) {
        const Join first = join(distinct_[0], segment(n - 1), before);
        start = first.start;
        lastEnd = first.end;
    } else {
        start = across(distinct_[0], before.nx, before.ny, half_);
    }
    for (size_t i = 1; i < segments; ++i) {
        const Segment after = segment(i);
        const Join at = join(distinct_[i], before, after);
        quad(start, at.end);
        start = at.start;
        before = after;
    }
    if (!closed) lastEnd = across(distinct_[n - 1], before.nx, before.ny, half_);
    quad(start, lastEnd);
}

void ProjectedRuns::endRun() {
    const size_t begin = runEnds_.empty() ? 0 : runEnds_.back();
    if (points_.size() > begin) runEnds_.push_back(points_.size());
}

void ProjectedRuns::project(const D3DXVECTOR3* points, size_t count, const D3DMATRIX& transform,
                            const D3DVIEWPORT9& viewport) {
    points_.clear();
    runEnds_.clear();
    ClipPoint previous{};
    for (size_t i = 0; i < count; ++i) {
        const ClipPoint current = transformed(points[i], transform);
        if (i > 0 && previous.visible() != current.visible()) {
            const ClipPoint cut = nearPlaneCrossing(previous, current);
            if (cut.v.w > kMinimumW) points_.push_back(toScreen(cut, viewport));
            if (!current.visible()) endRun();
        }
        if (current.visible()) points_.push_back(toScreen(current, viewport));
        previous = current;
    }
    endRun();
}

const ScreenPoint* ProjectedRuns::run(size_t index) const {
    return points_.data() + (index == 0 ? 0 : runEnds_[index - 1]);
}

size_t ProjectedRuns::runLength(size_t index) const {
    return runEnds_[index] - (index == 0 ? 0 : runEnds_[index - 1]);
}

}  // namespace pelmora::d3dx
