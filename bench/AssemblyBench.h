// The host-mesh benchmark: the kernel assembly through IDXContext (case A)
// against the raw program drawing the same facets (case B), interleaved,
// and a zoom sequence that counts the factory's requests.
#pragma once

#include "FrameComparison.h"

#include <vector>

namespace pelmora::bench {

// What the zoom sequences saw; ran is false until they have run.
struct ZoomReport {
    bool ran = false;
    int bodies = 0;
    int steps = 0;
    int requests = 0;                // factory requests in all, the first render's included
    std::vector<double> deviations;  // distinct, ascending
    bool noneTwice = false;          // no body asked twice at one deviation
    // The zoom-in sequence onto 1% of the area: the requests its frames
    // made, and those for bodies wholly outside the view of their frame.
    int zoomInRequests = 0;
    int outOfViewRequests = 0;
};

const DrawComparison& assemblyComparison();
const ZoomReport& zoomReport();

// The one-line summaries of both, when they ran.
void printAssemblySummary();

// Frees the context, the raw GL objects and the kernel; call before exit.
void releaseAssemblyBench();

}  // namespace pelmora::bench
