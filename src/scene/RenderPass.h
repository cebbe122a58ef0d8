// Process-wide state of the render pass that the frame walk and the visuals read.
#pragma once

namespace pelmora {

// True while the render pass walks the tree for translucent visuals.
extern bool translucentPass;

}  // namespace pelmora
