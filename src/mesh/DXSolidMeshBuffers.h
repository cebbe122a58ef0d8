// The device buffers of a solid mesh: its vertices, and for a double-sided
// mesh a second copy with reversed normals that the back faces use with the
// opposite winding. Indices are 16-bit while they can address every vertex.
// The vertices go to the device in the form the geometry keeps them: without
// texture coordinates when they are all zero. Solids are drawn untextured, so
// the pixels are the same either way.
#pragma once

#include "mesh/MeshBatch.h"
#include "meshops/SolidGeometry.h"
#include "platform/d3dx/d3dx9mesh.h"

#include <memory>

namespace pelmora {

// 16-bit indices reach vertices 0 to 65,535.
constexpr UINT kMaxIndex16Vertices = 65535;

// Whether a mesh of this many vertices (both copies counted) needs 32-bit indices.
inline bool needsWideIndices(UINT vertices) { return vertices > kMaxIndex16Vertices; }

// The vertex records, `stride` floats each (the surface's device form, or
// whole vertices with zero texture coordinates where it keeps none): the
// geometry's, then for a double-sided mesh (sides 2) the copy with negated
// normals.
void writeSolidVertices(float* out, const SolidGeometry& geometry, UINT sides, uint32_t stride);
// The triangles' indices, 16- or 32-bit, then the back faces (i1, i0, i2)
// over the second copy.
void writeSolidIndices(void* out, const SolidGeometry& geometry, UINT sides, bool wide);

// A record with no buffers and a vertex count of 0 when there is nothing to
// draw or a buffer could not be made (logged); the draw then draws nothing.
std::unique_ptr<MeshBatch> makeSolidBatch(IDirect3DDevice9* device, const SolidGeometry* geometry,
                                          bool doubleSided);

// The same vertices and triangles in a system-memory mesh object; null when
// there is nothing to hold or the object could not be made (logged).
ComPtr<ID3DXMesh> makeSolidMeshObject(IDirect3DDevice9* device, const SolidGeometry* geometry,
                                      bool doubleSided);

}  // namespace pelmora
