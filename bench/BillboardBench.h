// The billboard benchmark: 10,000 preloaded symbols in one 1920x1080
// viewport through IDXContext (case A) against raw GL drawing the same
// textured quads one draw each (case B), interleaved frame by frame.
#pragma once

#include "FrameComparison.h"

namespace pelmora::bench {

// What the comparison measured, and the raw side's frame with every quad in
// one draw, for scale; ran is false until it has run.
struct BillboardComparison {
    DrawComparison frames;
    double batchedRawMs = 0;
};

const BillboardComparison& billboardComparison();

// The one-line summary, when it ran.
void printBillboardSummary();

// Frees the context and the raw GL objects; call before exit.
void releaseBillboardBench();

}  // namespace pelmora::bench
