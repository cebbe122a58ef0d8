// How a bitmap fits into one square power-of-two texture. Images more than
// twice as long as they are high (or high as they are long) are cut into
// strips stacked inside the square, so a long label does not need a texture
// as wide as itself and mostly empty.
#pragma once

#include <pelmora/automation.h>

namespace pelmora {

struct TexturePlan {
    UINT bitmapWidth = 0;
    UINT bitmapHeight = 0;
    UINT textureSize = 0;  // edge of the square texture in pixels
    bool isWide = false;   // horizontal pieces stacked top to bottom
    bool isTall = false;   // vertical pieces laid left to right
    UINT stripCount = 1;   // 1 when neither flag is set

    bool operator==(const TexturePlan&) const = default;
};

// The smallest texture edge ever planned.
inline constexpr UINT kMinTextureSize = 2;
// A strip layout is accepted once a strip's length over the stacked height is at most this.
inline constexpr double kMaxStripAspect = 2.5;

// Plans a width x height bitmap. The edge is the smallest power of two (at
// least 2) holding the strips, cut to displayWidth when it is larger, since
// no texture is ever shown wider than the screen. width and height must be
// at least 1.
TexturePlan planTexture(UINT width, UINT height, UINT displayWidth);

}  // namespace pelmora
