// Instances of one part: the same body of the sample kernel drawn in many
// frames, once with one host mesh for every instance (shared facets and
// buffers) and once with a host mesh of its own for each (what a host that
// numbers every instance apart gets): factory requests, heap in use after
// the first frame, and frame time.
#pragma once

namespace pelmora::bench {

// The one-line summary, when the benchmark ran.
void printInstanceSummary();

}  // namespace pelmora::bench
