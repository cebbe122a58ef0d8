// getScreenData over the 2,000-body assembly against a plain loop that
// projects the same vertices with the same matrices into the same output.
#pragma once

namespace pelmora::bench {

// The one-line summary, when the benchmark ran.
void printScreenDataSummary();

// Frees the context and the kernel; call before exit.
void releaseScreenDataBench();

}  // namespace pelmora::bench
