#include "image/TexturePlan.h"

#include <algorithm>

namespace pelmora {
namespace {

// Length over stacked height when length is cut into n strips of height each.
double stripAspect(UINT length, UINT height, UINT n) {
    return (double(length) / n + 0.5) / (double(n) * height);
}

UINT stripsFor(UINT length, UINT height) {
    UINT n = 1;
    while (stripAspect(length, height, n) > kMaxStripAspect) ++n;
    return n;
}

// The edge the pieces need: the longest strip against the stacked heights.
UINT neededEdge(const TexturePlan& plan) {
    const UINT n = plan.stripCount;
    if (plan.isWide) return std::max(plan.bitmapWidth / n, n * plan.bitmapHeight);
    if (plan.isTall) return std::max(plan.bitmapHeight / n, n * plan.bitmapWidth);
    return std::max(plan.bitmapWidth, plan.bitmapHeight);
}

UINT powerOfTwoAtLeast(UINT edge) {
    UINT size = kMinTextureSize;
    while (size < edge) size *= 2;
    return size;
}

}  // namespace

TexturePlan planTexture(UINT width, UINT height, UINT displayWidth) {
    TexturePlan plan;
    plan.bitmapWidth = width;
    plan.bitmapHeight = height;
    // Integer ratios: an image exactly 2.99 times as long stays in one piece.
    if (width / height > 2) {
        plan.isWide = true;
        plan.stripCount = stripsFor(width, height);
    } else if (height / width > 2) {
        plan.isTall = true;
        plan.stripCount = stripsFor(height, width);
    }
    plan.textureSize = std::min(powerOfTwoAtLeast(neededEdge(plan)), displayWidth);
    return plan;
}

}  // namespace pelmora
