// The picking benchmark: pickMesh through IDXContext on a solid mesh of a
// million triangles, the first pick (which builds the mesh's hierarchy)
// apart from the steady ones, with the brute-force loop for scale.
#pragma once

namespace pelmora::bench {

// The one-line summary, when it ran.
void printPickSummary();

}  // namespace pelmora::bench
