// The line benchmark: 100,000 segments in 2,000 wire meshes through
// IDXContext (case A) against raw GL drawing the same lines (case B), at
// width 1 (GL_LINES) and width 4 (screen-aligned quads), interleaved.
#pragma once

#include "FrameComparison.h"

namespace pelmora::bench {

// The comparison at one width; ran is false until it has run.
const DrawComparison& lineComparison(int width);

// The one-line summaries of both widths, when they ran.
void printLineSummary();

// Frees the context and the raw GL objects; call before exit.
void releaseLineBench();

}  // namespace pelmora::bench
