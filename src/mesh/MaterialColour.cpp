#include "mesh/MaterialColour.h"

namespace pelmora {
namespace {

uint32_t channel(float value) {
    if (value >= 1.0f) return 0xFF;
    if (value <= 0.0f) return 0;
    return uint32_t(value * 255.0f + 0.5f);
}

}  // namespace

D3DCOLOR materialColour(const D3DMATERIAL9& material) {
    const D3DCOLORVALUE& c = material.Diffuse;
    return (channel(c.a) << 24) | (channel(c.r) << 16) | (channel(c.g) << 8) | channel(c.b);
}

}  // namespace pelmora
