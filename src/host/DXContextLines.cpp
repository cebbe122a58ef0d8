// The line-work operations: wire meshes from arrays and from host facet
// meshes, dot meshes and construction grids.
#include "mesh/DXDotMesh.h"
#include "mesh/DXGrillMesh.h"
#include "mesh/DXWireMesh.h"
#include "host/ArrayArguments.h"
#include "host/DXContext.h"
#include "core/GuardedCall.h"
#include "core/HandleResolution.h"

#include <memory>

namespace pelmora {

namespace {

// Positions are 4-byte floats, line lists 4-byte integers.
constexpr UINT kLineArrayElementSize = 4;

HRESULT checkElementSize(const ArrayView& array, const char* operation, const char* what) {
    if (array.elementSize == kLineArrayElementSize) return S_OK;
    logFormat("%s: %s must hold 4-byte elements, not %u-byte ones\n", operation, what,
              array.elementSize);
    return PELMORA_TRACE_FAILED(E_INVALIDARG);
}

}  // namespace

HRESULT DXContext::newWireMesh(SAFEARRAY** vertices, SAFEARRAY** lines, int* ppResult) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(ppResult);
        ArrayArguments arrays;
        HRESULT hr = arrays.read({vertices, lines});
        if (FAILED(hr)) return hr;
        PELMORA_RETURN_IF_FAILED(checkElementSize(arrays[0], "newWireMesh", "the vertex array"));
        PELMORA_RETURN_IF_FAILED(checkElementSize(arrays[1], "newWireMesh", "the line list"));
        const WireMeshArrays view{static_cast<const float*>(arrays[0].data), arrays[0].count,
                                  static_cast<const int*>(arrays[1].data), arrays[1].count};
        hr = DXWireMesh::validateArrays(view);
        if (FAILED(hr)) return hr;
        auto mesh = std::make_unique<DXWireMesh>(0);
        mesh->buildFromArrays(view);
        arrays.release();
        const int handle = adopt(mesh.release(), HandleKind::Visual);
        if (handle == 0) return PELMORA_TRACE_FAILED(E_OUTOFMEMORY);
        *ppResult = handle;
        return S_OK;
    });
}

HRESULT DXContext::newWireMeshFromHandle(int hTorvelMesh, int hTorvelMeshFactory, int* ppResult) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(ppResult);
        warnIfNoBody("newWireMeshFromHandle", hTorvelMesh);
        auto mesh = std::make_unique<DXWireMesh>(
            HostMeshBinding{hTorvelMesh, hTorvelMeshFactory, &meshProvider_});
        // Nothing is fetched yet: the first draw asks at the viewport's deviation.
        mesh->setCurrentDeviation(refinementLevel_);
        const int handle = adopt(mesh.release(), HandleKind::Visual);
        if (handle == 0) return PELMORA_TRACE_FAILED(E_OUTOFMEMORY);
        *ppResult = handle;
        return S_OK;
    });
}

HRESULT DXContext::newDotMesh(SAFEARRAY** vertices, int* ppResult) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(ppResult);
        ArrayArguments arrays;
        HRESULT hr = arrays.read({vertices});
        if (FAILED(hr)) return hr;
        PELMORA_RETURN_IF_FAILED(checkElementSize(arrays[0], "newDotMesh", "the vertex array"));
        hr = DXDotMesh::validatePositions(arrays[0].count);
        if (FAILED(hr)) return hr;
        auto mesh = std::make_unique<DXDotMesh>(static_cast<const float*>(arrays[0].data),
                                                arrays[0].count);
        arrays.release();
        const int handle = adopt(mesh.release(), HandleKind::Visual);
        if (handle == 0) return PELMORA_TRACE_FAILED(E_OUTOFMEMORY);
        *ppResult = handle;
        return S_OK;
    });
}

HRESULT DXContext::newGrillMesh(float left, float top, float right, float bottom, float majorX,
                                float minorX, float majorY, float minorY, int* ppResult) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(ppResult);
        const GrillSpacing spacing{left, top, right, bottom, majorX, minorX, majorY, minorY};
        const HRESULT hr = DXGrillMesh::validate(spacing);
        if (FAILED(hr)) return hr;
        const int handle = adopt(new DXGrillMesh(spacing), HandleKind::Visual);
        if (handle == 0) return PELMORA_TRACE_FAILED(E_OUTOFMEMORY);
        *ppResult = handle;
        return S_OK;
    });
}

}  // namespace pelmora
