// Bit counts of the formats the device layer compares when it ranks and
// completes device settings.
#pragma once

#include "platform/d3d9/d3d9types.h"

namespace pelmora {

// Bits of one colour channel; 0 for a format that is not a colour format.
UINT colorChannelBits(D3DFORMAT format);

// Depth bits of a depth/stencil format; 0 otherwise.
UINT depthBits(D3DFORMAT format);

// Stencil bits of a depth/stencil format; 0 otherwise.
UINT stencilBits(D3DFORMAT format);

}  // namespace pelmora
