// The host-mesh benchmark: the kernel assembly through IDXContext (case A)
// against the raw program drawing the same facets (case B), interleaved,
// and a zoom sequence that counts the factory's requests.
#pragma once

#include "FrameComparison.h"

#include <vector>

namespace pelmora::bench {

// What the zoom sequence saw; ran is false until it has run.
struct ZoomReport {
    bool ran = false;
    int bodies = 0;
    int steps = 0;
    int requests = 0;                // factory requests in all, the first render's included
    std::vector<double> deviations;  // distinct, ascending
    bool eachOnce = false;           // every body asked exactly once at every deviation
};

const DrawComparison& assemblyComparison();
const ZoomReport& zoomReport();

// The one-line summaries of both, when they ran.
void printAssemblySummary();

// Frees the context, the raw GL objects and the kernel; call before exit.
void releaseAssemblyBench();

}  // namespace pelmora::bench
