// Corrections for how particular OpenGL implementations differ from what the
// device needs. Each has a name and a reason, is chosen from the renderer
// string, and can be switched by PELMORA_GL_WORKAROUNDS="name=0,other=1".
#pragma once

#include <string>

namespace pelmora::d3d9gl {

struct DriverWorkarounds {
    // The rasterizer breaks ties on horizontal edges in its own bottom-up
    // window space even with an upper-left clip origin, so a pixel centre
    // lying exactly on a top edge is left out and one on a bottom edge is
    // filled. Lifting all geometry by one sub-pixel step restores Direct3D's
    // top-left rule.
    bool liftForTopLeftTies = false;

    static DriverWorkarounds forRenderer(const std::string& renderer);
};

}  // namespace pelmora::d3d9gl
