#include "platform/d3dx/D3DXFormatChoice.h"

#include "platform/d3d9/PixelFormat.h"

#include <bit>
#include <limits>

namespace pelmora::d3dx {
namespace {

using d3d9::PixelFormat;

// A lost bit of alpha turns transparency into opacity: worse than any colour loss.
constexpr int kAlphaLossCost = 10000;
constexpr int kColourLossCost = 100;
constexpr int kExtraBitCost = 2;
constexpr int kByteCost = 1;

struct Bits {
    int alpha, red, green, blue;
};

Bits bitsOf(const PixelFormat& f) {
    // A luminance format carries one grey channel, not three colours.
    if (f.luminance) return {std::popcount(f.alphaMask), std::popcount(f.redMask), 0, 0};
    return {std::popcount(f.alphaMask), std::popcount(f.redMask), std::popcount(f.greenMask),
            std::popcount(f.blueMask)};
}

int channelCost(int wanted, int have, int lossCost) {
    return wanted > have ? (wanted - have) * lossCost : (have - wanted) * kExtraBitCost;
}

int cost(const PixelFormat& wanted, const PixelFormat& candidate) {
    const Bits w = bitsOf(wanted), c = bitsOf(candidate);
    return channelCost(w.alpha, c.alpha, kAlphaLossCost) + channelCost(w.red, c.red, kColourLossCost) +
           channelCost(w.green, c.green, kColourLossCost) + channelCost(w.blue, c.blue, kColourLossCost) +
           candidate.bytesPerPixel * kByteCost;
}

}  // namespace

D3DFORMAT nearestFormat(D3DFORMAT wanted, const std::function<bool(D3DFORMAT)>& offered) {
    const PixelFormat* want = d3d9::findPixelFormat(wanted);
    if (!want || want->kind != d3d9::FormatKind::Colour) return D3DFMT_UNKNOWN;
    if (offered(wanted)) return wanted;
    size_t count = 0;
    const PixelFormat* table = d3d9::pixelFormatTable(&count);
    D3DFORMAT best = D3DFMT_UNKNOWN;
    int bestCost = std::numeric_limits<int>::max();
    for (size_t i = 0; i < count; ++i) {
        const PixelFormat& candidate = table[i];
        if (candidate.kind != d3d9::FormatKind::Colour || candidate.format == wanted) continue;
        const int c = cost(*want, candidate);
        if (c < bestCost && offered(candidate.format)) {
            best = candidate.format;
            bestCost = c;
        }
    }
    return best;
}

}  // namespace pelmora::d3dx
