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

struct Vec2 {
    float x, y;
};

Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
Vec2 operator*(Vec2 a, float s) { return {a.x * s, a.y * s}; }
float dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
float length(Vec2 a) { return std::sqrt(dot(a, a)); }

// The unit normal to the left of the segment from a to b.
Vec2 normalOf(const ScreenPoint& a, const ScreenPoint& b) {
    const Vec2 d{b.x - a.x, b.y - a.y};
    const float len = length(d);
    return {-d.y / len, d.x / len};
}

class StripBuilder {
public:
    StripBuilder(float halfWidth, D3DCOLOR colour, std::vector<ScreenVertex>* strip)
        : half_(halfWidth), colour_(colour), strip_(strip) {}

    // The two vertices across the line at p, offset by ±offset.
    void across(const ScreenPoint& p, Vec2 offset) {
        strip_->push_back({p.x + offset.x, p.y + offset.y, p.z, p.rhw, colour_});
        strip_->push_back({p.x - offset.x, p.y - offset.y, p.z, p.rhw, colour_});
    }

    void end(const ScreenPoint& p, Vec2 normal) { across(p, normal * half_); }

    // The join at p between a segment with normal n1 and one with normal n2.
    void join(const ScreenPoint& p, Vec2 n1, Vec2 n2) {
        const Vec2 sum = n1 + n2;
        const float sumLength = length(sum);
        if (sumLength > kOpposite) {
            const Vec2 miter = sum * (1.0f / sumLength);
            const float scale = half_ / dot(miter, n1);
            if (scale <= kMiterLimit * half_) {
                across(p, miter * scale);
                return;
            }
        }
        // Bevel: the strip's two triangles between the ends of both segments
        // each hold the point, so the wedge on the outer side is covered.
        across(p, n1 * half_);
        across(p, n2 * half_);
    }

private:
    float half_;
    D3DCOLOR colour_;
    std::vector<ScreenVertex>* strip_;
};

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

}  // namespace

std::vector<std::vector<ScreenPoint>> projectPolyline(const D3DXVECTOR3* points, size_t count,
                                                      const D3DMATRIX& transform,
                                                      const D3DVIEWPORT9& viewport) {
    std::vector<std::vector<ScreenPoint>> runs;
    std::vector<ScreenPoint> run;
    ClipPoint previous{};
    for (size_t i = 0; i < count; ++i) {
        ClipPoint current{};
        D3DXVec3Transform(&current.v, &points[i], &transform);
        if (i > 0 && previous.visible() != current.visible()) {
            const ClipPoint cut = nearPlaneCrossing(previous, current);
            if (cut.v.w > kMinimumW) run.push_back(toScreen(cut, viewport));
            if (!current.visible()) {
                runs.push_back(std::move(run));
                run.clear();
            }
        }
        if (current.visible()) run.push_back(toScreen(current, viewport));
        previous = current;
    }
    if (!run.empty()) runs.push_back(std::move(run));
    return runs;
}

void appendWideLineStrip(const ScreenPoint* points, size_t count, float width, D3DCOLOR colour,
                         std::vector<ScreenVertex>* strip) {
    std::vector<ScreenPoint> distinct;
    distinct.reserve(count);
    for (size_t i = 0; i < count; ++i)
        if (distinct.empty() || !samePoint(distinct.back(), points[i])) distinct.push_back(points[i]);
    if (distinct.size() < 2) return;

    StripBuilder builder(width * 0.5f, colour, strip);
    Vec2 previous = normalOf(distinct[0], distinct[1]);
    builder.end(distinct[0], previous);
    for (size_t i = 1; i + 1 < distinct.size(); ++i) {
        const Vec2 next = normalOf(distinct[i], distinct[i + 1]);
        builder.join(distinct[i], previous, next);
        previous = next;
    }
    builder.end(distinct.back(), previous);
}

}  // namespace pelmora::d3dx
