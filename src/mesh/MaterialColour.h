// The colour of a material as screen-space visuals send it with each vertex.
#pragma once

#include "platform/d3d9/d3d9.h"

namespace pelmora {

// The diffuse colour as 0xAARRGGBB: each channel 255 from 1.0 up, 0 from 0.0
// down, rounded in between.
D3DCOLOR materialColour(const D3DMATERIAL9& material);

}  // namespace pelmora
