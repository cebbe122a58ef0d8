// The device buffers of a wire mesh's thin lines: every polyline's points as
// 16-byte coloured vertices, drawn as one line strip when the mesh holds one
// polyline and as one indexed line list otherwise.
#pragma once

#include "mesh/MeshBatch.h"
#include "meshops/LineVertex.h"
#include "meshops/SolidGeometry.h"

#include <memory>

namespace pelmora {

// A record with no buffers and a vertex count of 0 when the geometry holds no
// segment or a buffer could not be made (logged); the draw then draws nothing.
std::unique_ptr<MeshBatch> makeWireBatch(IDirect3DDevice9* device, const SolidGeometry& geometry,
                                         D3DCOLOR colour);

}  // namespace pelmora
