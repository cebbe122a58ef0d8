// Turning 0xAARRGGBB colour parameters into float components and back.
#pragma once

#include "platform/d3d9/d3d9types.h"

#include <bit>
#include <cstdint>

namespace pelmora {

// Slightly above 1/255, so that 255 times it is at least 1.
inline const float kColorChannelScale = std::bit_cast<float>(0x3B808081u);

inline float colorChannel(uint32_t color, int shift) {
    return static_cast<float>((color >> shift) & 0xFFu) * kColorChannelScale;
}

inline D3DCOLORVALUE decodeColor(int color) {
    uint32_t bits = static_cast<uint32_t>(color);
    return {colorChannel(bits, 16), colorChannel(bits, 8), colorChannel(bits, 0),
            colorChannel(bits, 24)};
}

// A float component as a colour byte: 255 from 1 up, 0 from 0 down, else
// rounded to the nearest level.
inline uint32_t colorByte(float value) {
    if (value >= 1.0f) return 0xFFu;
    if (value > 0.0f) return static_cast<uint32_t>(value * 255.0f + 0.5f);
    return 0u;
}

// Float components packed back into 0xAARRGGBB.
inline D3DCOLOR encodeColor(const D3DCOLORVALUE& value) {
    return colorByte(value.a) << 24 | colorByte(value.r) << 16 | colorByte(value.g) << 8 |
           colorByte(value.b);
}

// VARIANT_BOOL handed on "as 0 or 1".
inline int flagAsZeroOrOne(VARIANT_BOOL value) { return value != 0 ? 1 : 0; }

}  // namespace pelmora
