#include "geometry/DashedSegments.h"

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
        const float dx = (cb.x / cb.w - ca.x / ca.w) * 0.5f * viewportWidth;
        const float dy = (cb.y / cb.w - ca.y / ca.w) * 0.5f * viewportHeight;
        const float length = std::sqrt(dx * dx + dy * dy);
        if (!(length > 0.0f)) continue;
        for (float start = 0.0f; start < length; start += period) {
            const float end = std::min(start + pattern.on, length);
            dashes->push_back(lerp(a, b, segmentParameter(start / length, ca.w, cb.w)));
            dashes->push_back(lerp(a, b, segmentParameter(end / length, ca.w, cb.w)));
        }
    }
}

}  // namespace pelmora
