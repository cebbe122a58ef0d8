#include "mesh/DXDotMesh.h"

#include "core/Diagnostics.h"

namespace pelmora {

HRESULT DXDotMesh::validatePositions(long floatCount) {
    if (floatCount >= 0 && floatCount % 3 == 0) return S_OK;
    logMessage("newDotMesh: the vertex array does not hold whole points\n");
    return PELMORA_TRACE_FAILED(E_INVALIDARG);
}

DXDotMesh::DXDotMesh(const float* positions, long floatCount) {
    points_.reserve(size_t(floatCount / 3));
    for (long i = 0; i + 2 < floatCount; i += 3)
        points_.push_back({positions[i], positions[i + 1], positions[i + 2], 0.0f, 0.0f, 1.0f,
                           0.0f, 0.0f});
}

HRESULT DXDotMesh::render(IDirect3DDevice9*, RenderContext*, const D3DMATRIX*, D3DMATERIAL9*,
                          RenderAttributes) {
    return S_OK;
}

HRESULT DXDotMesh::setVisible(VARIANT_BOOL) { return S_OK; }

}  // namespace pelmora
