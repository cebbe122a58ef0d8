// The baseline of the scene-pick benchmark: the host-side walk that the
// helpers' pickScene ran before the pick moved into the engine. It walks the
// frame tree through the interface (each frame's transform as an array, its
// contents listed twice, world transforms composed on the host's side) and
// asks every shown mesh with pickMesh, as hosts once did.
#pragma once

#include <pelmora/helpers.h>
#include <pelmora/pelmora.h>

namespace pelmora::bench {

// The nearest mesh under pixel (x, y) among those a render of rootFrame draws
// (hidden frames and meshes skipped); hit->mesh 0 when there is none.
HRESULT hostWalkPick(IDXContext* context, int viewport, int rootFrame, int x, int y, SceneHit* hit);

}  // namespace pelmora::bench
