#include "platform/d3dx/D3DXLineGeometry.h"

#include <cmath>

namespace pelmora::d3dx {
namespace {

// Points closer than this are one point: a segment needs a direction.
constexpr float kSamePoint = 1e-4f;
// 1 + cos(turn) at the mitre limit: 2 / limit^2.
constexpr float kMiterOnePlusCos = 2.0f / (kMiterLimit * kMiterLimit);
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

WideLineMesh::Join WideLineMesh::join(const ScreenPoint& p, const Segment& before,
                                      const Segment& after) {
    // For unit normals n1 and n2 with c = n1 . n2, the offset edges meet at
    // (n1 + n2) * half / (1 + c) from the point: half / cos(turn / 2) out
    // along the bisector. That is within the mitre limit while 1 + c is at
    // least 2 / limit^2.
    const float onePlusCos = 1.0f + before.nx * after.nx + before.ny * after.ny;
    const bool withinLimit = onePlusCos >= kMiterOnePlusCos;
    float mx = 0.0f, my = 0.0f;
    if (withinLimit) {
        const float scale = half_ / onePlusCos;
        mx = (before.nx + after.nx) * scale;
        my = (before.ny + after.ny) * scale;
        const float along = std::fabs(mx * before.dx + my * before.dy);
        if (along <= kMiterShareOfSegment * std::fmin(before.length, after.length)) {
            const Pair shared{vertex(p, mx, my), vertex(p, -mx, -my)};
            return {shared, shared};
        }
    }
    const bool plusOutside = before.nx * after.dx + before.ny * after.dy < 0.0f;
    const float side = plusOutside ? 1.0f : -1.0f;
    if (withinLimit) {
        // The mitre tip shared on the outer side, square ends on the inner
        // one (where a shared point would reach past a short segment), and
        // one triangle between them that holds the point.
        const uint32_t tip = vertex(p, mx * side, my * side);
        const float inner = -side * half_;
        const uint32_t innerBefore = vertex(p, before.nx * inner, before.ny * inner);
        const uint32_t innerAfter = vertex(p, after.nx * inner, after.ny * inner);
        triangle(tip, innerBefore, innerAfter);
        if (plusOutside) return {{tip, innerBefore}, {tip, innerAfter}};
        return {{innerBefore, tip}, {innerAfter, tip}};
    }
    // Past the limit: square ends, and the outer side of the turn bevelled
    // from the point.
    const Join ends{across(p, before.nx, before.ny, half_), across(p, after.nx, after.ny, half_)};
    const uint32_t outerBefore = plusOutside ? ends.end.plus : ends.end.minus;
    const uint32_t outerAfter = plusOutside ? ends.start.plus : ends.start.minus;
    triangle(vertex(p, 0.0f, 0.0f), outerBefore, outerAfter);
    return ends;
}

// The polyline's points without repeats: the points themselves when none
// repeats (the usual case), else a copy without them.
const ScreenPoint* WideLineMesh::withoutRepeats(const ScreenPoint* points, size_t* count) {
    size_t i = 1;
    while (i < *count && !samePoint(points[i - 1], points[i])) ++i;
    if (i >= *count) return points;
    distinct_.assign(points, points + i);
    for (; i < *count; ++i)
        if (!samePoint(distinct_.back(), points[i])) distinct_.push_back(points[i]);
    *count = distinct_.size();
    return distinct_.data();
}

void WideLineMesh::append(const ScreenPoint* points, size_t count, float width, D3DCOLOR colour) {
    size_t n = count;
    const ScreenPoint* p = withoutRepeats(points, &n);
    const bool closed = n > 3 && samePoint(p[0], p[n - 1]);
    if (closed) --n;
    if (n < 2) return;
    half_ = width * 0.5f;
    colour_ = colour;
    opaque_ = opaque_ && (colour >> 24) == 0xFFu;

    const auto segment = [&](size_t i) { return Segment::between(p[i], p[i + 1 == n ? 0 : i + 1]); };
    const size_t segments = closed ? n : n - 1;
    Segment before = segment(0);
    Pair start{};
    Pair lastEnd{};
    if (closed) {
        const Join first = join(p[0], segment(n - 1), before);
        start = first.start;
        lastEnd = first.end;
    } else {
        start = across(p[0], before.nx, before.ny, half_);
    }
    for (size_t i = 1; i < segments; ++i) {
        const Segment after = segment(i);
        const Join at = join(p[i], before, after);
        quad(start, at.end);
        start = at.start;
        before = after;
    }
    if (!closed) lastEnd = across(p[n - 1], before.nx, before.ny, half_);
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
