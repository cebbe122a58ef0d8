// The part of a world segment that falls inside the viewport, in window
// pixels: what a mesh's screen projection draws of each edge.
#pragma once

#include "math/ScreenTransforms.h"

#include <pelmora/automation.h>

namespace pelmora {

// A success code: the segment lies wholly off one side of the view.
inline constexpr HRESULT kSegmentInvisible = 0x08770001;

struct ScreenSegment {
    float ax;
    float ay;
    float bx;
    float by;
};

// S_OK with the visible end points in pixels, or kSegmentInvisible with the
// segment untouched. Only x and y are clipped; depth is not.
HRESULT clipSegment(const ViewTransforms& t, const D3DVECTOR& a, const D3DVECTOR& b,
                    ScreenSegment* segment);

}  // namespace pelmora
