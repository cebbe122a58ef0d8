// Process-wide values of the frame-rate measurement, shared by every viewport
// and the meshes they draw.
#pragma once

namespace pelmora {

// The registry's profiling switch, read again at each viewport construction.
extern bool profilingEnabled;
// Vertices drawn since the last frame-rate line; meshes add to it while profiling.
extern int drawnVertexCount;

}  // namespace pelmora
