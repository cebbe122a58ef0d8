#include "meshops/DashedSegments.h"

#include <algorithm>
#include <cmath>

namespace pelmora {

namespace {

struct Clip {
    float x, y, w;
};

Clip toClip(const D3DXVECTOR3& p, const D3DXMATRIX& m) {
    return {p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41,
            p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42,
            p.x * m._14 + p.y * m._24 + p.z * m._34 + m._44};
}

D3DXVECTOR3 lerp(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float t) {
    return D3DXVECTOR3(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t);
}

// The segment parameter of the point a share s of the way along its
// projection: screen positions divide by w, so equal screen steps are
// unequal steps along the segment.
float segmentParameter(float s, float w0, float w1) {
    const float denominator = (1.0f - s) * w1 + s * w0;
    return denominator != 0.0f ? s * w0 / denominator : s;
}

// The share of the projected segment from (x0, y0) to (x1, y1), in normalised
// device coordinates, that lies inside the slightly widened viewport square;
// false when none does. Only that part is cut into dashes, so a segment that
// projects millions of pixels long costs what its visible part costs.
bool visibleShare(double x0, double y0, double x1, double y1, double* from, double* to) {
    constexpr double kLimit = 1.05;
    double lower = 0.0, upper = 1.0;
    const double delta[2] = {x1 - x0, y1 - y0};
    const double start[2] = {x0, y0};
    for (int axis = 0; axis < 2; ++axis) {
        for (const double side : {-kLimit, kLimit}) {
            // Inside when (side < 0 ? p >= side : p <= side).
            const double direction = side < 0 ? -delta[axis] : delta[axis];
            const double distance = side < 0 ? start[axis] - side : side - start[axis];
            if (direction == 0.0) {
                if (distance < 0.0) return false;
                continue;
            }
            const double t = distance / direction;
            if (direction < 0.0) lower = std::max(lower, t);
            else upper = std::min(upper, t);
        }
    }
    *from = lower;
    *to = upper;
    return lower < upper;
}

// More dashes than this on one segment mean the numbers are absurd (a
// viewport cannot show them); the rest of the segment is left out.
constexpr long long kMostDashesPerSegment = 1 << 16;

}  // namespace

void dashSegments(const std::vector<D3DXVECTOR3>& points, const D3DXMATRIX& transform,
                  float viewportWidth, float viewportHeight, const DashPattern& pattern,
                  std::vector<D3DXVECTOR3>* dashes) {
    dashes->clear();
    const float period = pattern.on + pattern.off;
    if (!(pattern.on > 0.0f) || !(period > 0.0f)) return;
    for (size_t i = 0; i + 1 < points.size(); i += 2) {
        const D3DXVECTOR3& a = points[i];
        const D3DXVECTOR3& b = points[i + 1];
        const Clip ca = toClip(a, transform), cb = toClip(b, transform);
        if (ca.w <= 0.0f || cb.w <= 0.0f) continue;
        const double x0 = double(ca.x) / ca.w, y0 = double(ca.y) / ca.w;
        const double x1 = double(cb.x) / cb.w, y1 = double(cb.y) / cb.w;
        const double dx = (x1 - x0) * 0.5 * viewportWidth;
        const double dy = (y1 - y0) * 0.5 * viewportHeight;
        const double length = std::sqrt(dx * dx + dy * dy);
        double from = 0.0, to = 0.0;
        if (!(length > 0.0) || !std::isfinite(length) || !visibleShare(x0, y0, x1, y1, &from, &to))
            continue;
        // Dashes keep their phase from the segment's start, wherever the
        // visible part begins.
        // Counted in whole steps from the first: on a segment far longer than
        // the screen the steps' own numbers pass any integer.
        const double first = std::floor(from * length / period);
        const double count = std::min(std::ceil(to * length / period) - first, double(kMostDashesPerSegment));
        if (!(count > 0.0)) continue;
        for (long long step = 0; step < static_cast<long long>(count); ++step) {
            const double k = first + double(step);
            const double start = std::max(double(k) * period, from * length);
            const double end = std::min({double(k) * period + pattern.on, to * length, length});
            if (!(end > start)) continue;
            dashes->push_back(lerp(a, b, segmentParameter(float(start / length), ca.w, cb.w)));
            dashes->push_back(lerp(a, b, segmentParameter(float(end / length), ca.w, cb.w)));
        }
    }
}

}  // namespace pelmora
