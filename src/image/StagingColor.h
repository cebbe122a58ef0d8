// The 5-6-5 staging of bitmap colours and the black colour key. A bitmap is
// staged in 5-6-5 colour keeping the top bits of each channel, and staged
// black is loaded as transparent, so nearly-black pixels (red and blue
// below 8, green below 4) vanish along with the black around the strips.
#pragma once

#include <pelmora/automation.h>

#include <cstddef>
#include <cstdint>

namespace pelmora {

// The colour key the staged image is loaded with: opaque black.
inline constexpr uint32_t kStagingColorKey = 0xFF000000u;

// Keeps the top 5, 6 and 5 bits of red, green and blue; alpha is dropped.
uint16_t toR5G6B5(uint32_t argb);

// Opaque 0xAARRGGBB of a 5-6-5 colour, each channel's bits repeated into
// the low bits so that 0 and full scale stay exact.
uint32_t fromR5G6B5(uint16_t color);

// True when a bitmap pixel of this colour ends up transparent.
bool isKeyedOut(uint32_t argb);

// Packs width x height pixels (sourceStride pixels apart) into 5-6-5 rows
// pitch bytes apart.
void packR5G6B5(const uint32_t* source, int sourceStride, int width, int height,
                uint8_t* target, size_t pitch);

}  // namespace pelmora
