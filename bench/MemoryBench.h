// Peak resident memory per million triangles held: the 2,000-body assembly
// through IDXContext in a process of its own against the raw program's
// buffers of the same facets in another.
#pragma once

namespace pelmora::bench {

// The one-line summary, when the benchmark ran.
void printMemorySummary();

}  // namespace pelmora::bench
