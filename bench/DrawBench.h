// The draw benchmark: the reference scene through the device (case A) and
// through raw GL on the same buffers (case B), and the two interleaved frame
// by frame, which gives the ratio that matters.
#pragma once

#include "FrameComparison.h"

namespace pelmora::bench {

const DrawComparison& drawComparison();

// Frees the device and the GL objects; call before the process exits.
void releaseDrawBench();

}  // namespace pelmora::bench
