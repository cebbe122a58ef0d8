// Where each piece of a bitmap goes in its square texture. A wide image
// becomes bands of textureSize source columns stacked downwards; a tall one
// bands of textureSize source rows laid side by side.
#pragma once

#include "image/TexturePlan.h"
#include "platform/d3d9/d3d9types.h"

#include <vector>

namespace pelmora {

struct StripPiece {
    LONG sourceX, sourceY;
    LONG destinationX, destinationY;
    LONG width, height;  // copied one to one
};

// The plan's pieces of the source rectangle, one per strip, in strip order.
std::vector<StripPiece> stripPieces(const TexturePlan& plan, const RECT& source);

}  // namespace pelmora
