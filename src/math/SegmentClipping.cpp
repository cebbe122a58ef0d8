#include "math/SegmentClipping.h"

#include <cmath>

namespace pelmora {

namespace {

// Outcode bits of an end point.
constexpr unsigned kLeft = 0x1;
constexpr unsigned kRight = 0x2;
constexpr unsigned kAbove = 0x4;
constexpr unsigned kBelow = 0x8;

struct Point2 {
    float x;
    float y;
};

Point2 toNdc(const ViewTransforms& t, const D3DVECTOR& world) {
    const D3DXVECTOR4 clip = worldToClip(t, world);
    return Point2{clip.x / clip.w, clip.y / clip.w};
}

unsigned outcode(const Point2& p) {
    unsigned code = 0;
    if (p.x < -1.0f) code |= kLeft;
    if (p.x > 1.0f) code |= kRight;
    if (p.y > 1.0f) code |= kAbove;
    if (p.y < -1.0f) code |= kBelow;
    return code;
}

float distance(const Point2& a, const Point2& b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Moves p, outside by `code`, along direction d to the border it crosses
// nearest to `toward` (the other end).
Point2 clipEnd(Point2 p, unsigned code, const Point2& d, const Point2& toward) {
    const float sideX = (code & kLeft) ? -1.0f : 1.0f;
    const float sideY = (code & kAbove) ? 1.0f : -1.0f;
    const bool outsideX = (code & (kLeft | kRight)) != 0;
    const bool outsideY = (code & (kAbove | kBelow)) != 0;
    if (d.x == 0.0f) {
        if (outsideY) p.y = sideY;
        return p;
    }
    if (d.y == 0.0f) {
        if (outsideX) p.x = sideX;
        return p;
    }
    const float slope = d.y / d.x;
    const Point2 onVertical{sideX, slope * sideX + p.y - slope * p.x};
    const Point2 onHorizontal{sideY / slope + p.x - p.y / slope, sideY};
    if (outsideX && outsideY)
        return distance(onVertical, toward) < distance(onHorizontal, toward) ? onVertical
                                                                             : onHorizontal;
    return outsideX ? onVertical : onHorizontal;
}

Point2 toScreen(const ViewTransforms& t, const Point2& ndc) {
    return Point2{(ndc.x + 1.0f) * t.width * 0.5f, (1.0f - ndc.y) * t.height * 0.5f};
}

}  // namespace

HRESULT clipSegment(const ViewTransforms& t, const D3DVECTOR& worldA, const D3DVECTOR& worldB,
                    ScreenSegment* segment) {
    Point2 a = toNdc(t, worldA);
    Point2 b = toNdc(t, worldB);
    const unsigned codeA = outcode(a);
    const unsigned codeB = outcode(b);
    if ((codeA & codeB) != 0) return kSegmentInvisible;
    const Point2 d{b.x - a.x, b.y - a.y};
    if (codeA != 0) a = clipEnd(a, codeA, d, b);
    if (codeB != 0) b = clipEnd(b, codeB, Point2{-d.x, -d.y}, a);
    const Point2 screenA = toScreen(t, a);
    const Point2 screenB = toScreen(t, b);
    *segment = ScreenSegment{screenA.x, screenA.y, screenB.x, screenB.y};
    return S_OK;
}

}  // namespace pelmora
