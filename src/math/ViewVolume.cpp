#include "math/ViewVolume.h"

namespace pelmora {

namespace {

struct ClipPoint {
    float x, y, z, w;
};

ClipPoint toClipSpace(const D3DXMATRIX& m, float x, float y, float z) {
    return ClipPoint{x * m._11 + y * m._21 + z * m._31 + m._41,
                     x * m._12 + y * m._22 + z * m._32 + m._42,
                     x * m._13 + y * m._23 + z * m._33 + m._43,
                     x * m._14 + y * m._24 + z * m._34 + m._44};
}

// One bit per plane a point lies beyond: left, right, bottom, top, front, back.
unsigned outsideBits(const ClipPoint& p, float widenX, float widenY) {
    unsigned bits = 0;
    if (p.x < -p.w * widenX) bits |= 1u;
    if (p.x > p.w * widenX) bits |= 2u;
    if (p.y < -p.w * widenY) bits |= 4u;
    if (p.y > p.w * widenY) bits |= 8u;
    if (p.z < 0.0f) bits |= 16u;
    if (p.z > p.w) bits |= 32u;
    return bits;
}

}  // namespace

bool boxOutsideView(const ClipBox& box, const D3DXMATRIX& toClip, float marginX, float marginY) {
    const float widenX = 1.0f + marginX;
    const float widenY = 1.0f + marginY;
    unsigned common = ~0u;
    for (int corner = 0; corner < 8 && common != 0; ++corner) {
        const float x = (corner & 1) ? box.maximum[0] : box.minimum[0];
        const float y = (corner & 2) ? box.maximum[1] : box.minimum[1];
        const float z = (corner & 4) ? box.maximum[2] : box.minimum[2];
        // A comparison with NaN is false, so such a corner is beyond no plane.
        common &= outsideBits(toClipSpace(toClip, x, y, z), widenX, widenY);
    }
    return common != 0;
}

}  // namespace pelmora
