// The picking benchmarks: pickMesh through IDXContext on a solid mesh of a
// million triangles, the first pick (which builds the mesh's hierarchy)
// apart from the steady ones, with the brute-force loop for scale; and the
// scene pick (hover picks at random pixels) and a rectangle selection over
// the 2,000-body assembly.
#pragma once

namespace pelmora::bench {

// The one-line summary, when it ran.
void printPickSummary();

}  // namespace pelmora::bench
