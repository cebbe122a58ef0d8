// The device buffers of a solid mesh: its vertices, and for a double-sided
// mesh a second copy with reversed normals that the back faces use with the
// opposite winding. Indices are 16-bit while they can address every vertex.
#pragma once

#include "geometry/MeshBatch.h"
#include "geometry/SolidGeometry.h"

#include <memory>

namespace pelmora {

// 16-bit indices reach vertices 0 to 65,535.
constexpr UINT kMaxIndex16Vertices = 65535;

// A record with no buffers and a vertex count of 0 when there is nothing to
// draw or a buffer could not be made (logged); the draw then draws nothing.
std::unique_ptr<MeshBatch> makeSolidBatch(IDirect3DDevice9* device, const SolidGeometry* geometry,
                                          bool doubleSided);

}  // namespace pelmora
