#include "image/StagingColor.h"

#include <cstring>

namespace pelmora {
namespace {

constexpr int kRedBits = 5;
constexpr int kGreenBits = 6;
constexpr int kBlueBits = 5;

uint32_t channel(uint32_t argb, int shift) { return (argb >> shift) & 0xFFu; }

uint32_t topBits(uint32_t value, int bits) { return value >> (8 - bits); }

uint32_t widen(uint32_t value, int bits) {
    return ((value << (8 - bits)) | (value >> (2 * bits - 8))) & 0xFFu;
}

}  // namespace

uint16_t toR5G6B5(uint32_t argb) {
    const uint32_t red = topBits(channel(argb, 16), kRedBits);
    const uint32_t green = topBits(channel(argb, 8), kGreenBits);
    const uint32_t blue = topBits(channel(argb, 0), kBlueBits);
    return uint16_t((red << (kGreenBits + kBlueBits)) | (green << kBlueBits) | blue);
}

uint32_t fromR5G6B5(uint16_t color) {
    const uint32_t red = widen(color >> (kGreenBits + kBlueBits), kRedBits);
    const uint32_t green = widen((color >> kBlueBits) & ((1u << kGreenBits) - 1), kGreenBits);
    const uint32_t blue = widen(color & ((1u << kBlueBits) - 1), kBlueBits);
    return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

bool isKeyedOut(uint32_t argb) { return fromR5G6B5(toR5G6B5(argb)) == kStagingColorKey; }

void packR5G6B5(const uint32_t* source, int sourceStride, int width, int height,
                uint8_t* target, size_t pitch) {
    for (int y = 0; y < height; ++y) {
        const uint32_t* in = source + size_t(y) * size_t(sourceStride);
        uint8_t* out = target + size_t(y) * pitch;
        for (int x = 0; x < width; ++x) {
            const uint16_t packed = toR5G6B5(in[x]);
            std::memcpy(out + size_t(x) * sizeof packed, &packed, sizeof packed);
        }
    }
}

}  // namespace pelmora
