// The refinement benchmark: the kernel assembly registered as thread-safe,
// with every request after the first frame taking the kernel 500 ms, as a
// B-rep kernel tessellating a large body does. A zoom step that changes the
// deviation is timed against the next frame of the same view.
#pragma once

namespace pelmora::bench {

// The one-line summary, when it ran.
void printRefinementSummary();

}  // namespace pelmora::bench
