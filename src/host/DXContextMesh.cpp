// The mesh operations: solid meshes from arrays and from host facet meshes,
// the mesh settings, and the mesh provider the host reads facets back through.
#include "mesh/DXSolidMesh.h"
#include "host/ArrayArguments.h"
#include "host/DXContext.h"
#include "core/GuardedCall.h"
#include "core/HandleResolution.h"

#include <memory>

namespace pelmora {

namespace {

// Vertices and normals are 4-byte floats, faces 4-byte integers.
constexpr UINT kSolidArrayElementSize = 4;

bool elementSizesFit(const ArrayArguments& arrays, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (arrays[i].elementSize != kSolidArrayElementSize) return false;
    return true;
}

SolidMeshArrays solidArrays(const ArrayArguments& arrays) {
    SolidMeshArrays view;
    view.vertices = static_cast<const float*>(arrays[0].data);
    view.vertexFloatCount = arrays[0].count;
    view.normals = static_cast<const float*>(arrays[1].data);
    view.normalFloatCount = arrays[1].count;
    view.faces = static_cast<const int*>(arrays[2].data);
    view.faceIntCount = arrays[2].count;
    return view;
}

}  // namespace

void DXContext::warnIfNoBody(const char* operation, int hostMesh) {
    if (hostMesh == 0)
        logFormat("%s: host mesh 0 names no body; the mesh stays empty and never asks the factory\n", operation);
}

HRESULT DXContext::newSolidMesh(SAFEARRAY** vertices, SAFEARRAY** normals, SAFEARRAY** faces,
                                VARIANT_BOOL isDoubleSided, int* ppResult) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(ppResult);
        ArrayArguments arrays;
        HRESULT hr = arrays.read({vertices, normals, faces});
        if (FAILED(hr)) return hr;
        if (!elementSizesFit(arrays, 3)) {
            logFormat(
                "newSolidMesh: vertices and normals must be 4-byte floats, faces 4-byte "
                "integers\n");
            return PELMORA_TRACE_FAILED(E_INVALIDARG);
        }
        const SolidMeshArrays view = solidArrays(arrays);
        hr = DXSolidMesh::validateArrays(view);
        if (FAILED(hr)) return hr;
        auto mesh = std::make_unique<DXSolidMesh>(isDoubleSided != 0);
        mesh->buildFromArrays(view);
        arrays.release();
        const int handle = adopt(mesh.release(), HandleKind::Visual);
        if (handle == 0) return PELMORA_TRACE_FAILED(E_OUTOFMEMORY);
        *ppResult = handle;
        return S_OK;
    });
}

HRESULT DXContext::newSolidMeshFromHandle(int hTorvelMesh, int hTorvelMeshFactory, int* ppResult) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(ppResult);
        warnIfNoBody("newSolidMeshFromHandle", hTorvelMesh);
        auto mesh = std::make_unique<DXSolidMesh>(
            HostMeshBinding{hTorvelMesh, hTorvelMeshFactory, &meshProvider_});
        // Nothing is fetched yet: the first draw asks at the viewport's deviation.
        mesh->setCurrentDeviation(refinementLevel_);
        const int handle = adopt(mesh.release(), HandleKind::Visual);
        if (handle == 0) return PELMORA_TRACE_FAILED(E_OUTOFMEMORY);
        *ppResult = handle;
        return S_OK;
    });
}

HRESULT DXContext::getTorvelMeshProvider(int* hMeshProvider) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(hMeshProvider);
        *hMeshProvider = meshProvider_.handle();
        return S_OK;
    });
}

HRESULT DXContext::setMeshScale(int hMesh, double scale) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXMesh, mesh, hMesh);
        return mesh->setMeshScale(scale);
    });
}

HRESULT DXContext::refreshMesh(int hMesh) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXMesh, mesh, hMesh);
        return mesh->refreshMesh(refinementLevel_);
    });
}

HRESULT DXContext::setMeshSimplificationLevel(int hMesh, int simplificationLevel) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXMesh, mesh, hMesh);
        if (!device_) return S_OK;
        return mesh->setMeshSimplificationLevel(simplificationLevel, device_.get());
    });
}

HRESULT DXContext::setNeverRenderMesh(int hMesh) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_RESOLVE(DXMesh, mesh, hMesh);
        mesh->setNeverRender();
        return S_OK;
    });
}

}  // namespace pelmora
