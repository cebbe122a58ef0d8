// Reads of a back buffer the benchmarks share: one pixel, so a timed frame has
// really been rendered, and the whole image, to compare pictures.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <cstdint>
#include <vector>

namespace pelmora::bench {

HRESULT readOnePixel(IDirect3DSurface9* backBuffer);
// Empty when the surface cannot be read.
std::vector<uint32_t> readWholeImage(IDirect3DSurface9* backBuffer);

}  // namespace pelmora::bench
