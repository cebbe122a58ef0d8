// The mesh queries: picking along a ray, the geometry a mesh hands out, and
// its projection for the screen and for printing. The arrays handed back are
// built here; the host owns them.
//
// getMeshData lays the positions out as x, y, z per vertex, so its float
// array holds three elements per vertex. One element per vertex cannot carry
// a position, and a host reading the array as consecutive points needs no
// other convention. The int array is the mesh's list, copied.
#include "mesh/DXMesh.h"
#include "host/DXContext.h"
#include "core/GuardedCall.h"
#include "core/HandleResolution.h"
#include "core/SaturatingCast.h"
#include "scene/TransformArray.h"
#include "view/DXViewport.h"

#include <memory>

namespace pelmora {

namespace {

struct SafeArrayDestroyer {
    void operator()(SAFEARRAY* array) const { SafeArrayDestroy(array); }
};
using OwnedArray = std::unique_ptr<SAFEARRAY, SafeArrayDestroyer>;

// A new one-dimensional array with lower bound 0 holding `count` values of
// T, each made by `value(i)`.
template <class T, class Value>
HRESULT makeVector(VARTYPE type, size_t count, Value&& value, OwnedArray* result) {
    SAFEARRAYBOUND bound{ULONG(count), 0};
    OwnedArray array(SafeArrayCreate(type, 1, &bound));
    if (!array) return PELMORA_TRACE_FAILED(E_OUTOFMEMORY);
    void* data = nullptr;
    PELMORA_RETURN_IF_FAILED(SafeArrayAccessData(array.get(), &data));
    T* out = static_cast<T*>(data);
    for (size_t i = 0; i < count; ++i) out[i] = value(i);
    PELMORA_RETURN_IF_FAILED(SafeArrayUnaccessData(array.get()));
    *result = std::move(array);
    return S_OK;
}

// A projection's list, or null when it has none.
HRESULT listArray(const ProjectedMesh& projected, OwnedArray* result) {
    if (projected.listLength() == 0) return S_OK;
    const int32_t* values = projected.listData();
    return makeVector<int32_t>(
        VT_I4, projected.listLength(), [values](size_t i) { return values[i]; }, result);
}

// Points as integers, each coordinate truncated toward zero; null when none.
// A scale or offset can throw a coordinate past the int range (or make it
// NaN): it is held at the range's end (or 0) rather than wrapped.
HRESULT pointArray(const std::vector<float>& points, OwnedArray* result) {
    if (points.empty()) return S_OK;
    const float* values = points.data();
    return makeVector<int32_t>(
        VT_I4, points.size(), [values](size_t i) { return saturatingCast<int32_t>(values[i]); },
        result);
}

// The 12-value transform of a projection; E_INVALIDARG for any other shape.
HRESULT readProjectionTransform(SAFEARRAY** transform, D3DXMATRIX* matrix) {
    TransformArrayShape shape;
    const HRESULT hr = readTransformArrayShape(transform, &shape);
    if (FAILED(hr)) return hr;
    if (!shape.holdsTwelveDoubles()) {
        logFormat(
            "Pelmora: a projection transform holds 12 doubles, not %lld elements of %u bytes\n",
            static_cast<long long>(shape.count), shape.elementSize);
        return PELMORA_TRACE_FAILED(E_INVALIDARG);
    }
    return readTransformArray(*transform, matrix);
}

// Hands a projection to the host as two integer arrays; on a mesh status
// other than S_OK both are null and the status goes back.
HRESULT deliverProjection(HRESULT meshStatus, const ProjectedMesh& projected,
                          SAFEARRAY** points, SAFEARRAY** list) {
    if (meshStatus != S_OK) {
        *points = nullptr;
        *list = nullptr;
        return meshStatus;
    }
    OwnedArray pointsArray;
    OwnedArray listArrayOut;
    PELMORA_RETURN_IF_FAILED(pointArray(projected.points, &pointsArray));
    PELMORA_RETURN_IF_FAILED(listArray(projected, &listArrayOut));
    *points = pointsArray.release();
    *list = listArrayOut.release();
    return S_OK;
}

}  // namespace

// A viewport handle of 0 picks without one: a host-backed mesh then stays at
// its current deviation instead of following the viewport's.
HRESULT DXContext::pickMesh(int hMesh, int /*hParentFrame: no mesh reads it*/, int hViewport,
                            int x, int y, double origX, double origY, double origZ, double dirX,
                            double dirY, double dirZ, double threshold, double backThreshold,
                            double* hitX, double* hitY, double* hitZ, VARIANT_BOOL* isHit) {
    return PELMORA_INTERFACE_CALL({
        if (!hitX || !hitY || !hitZ || !isHit) return PELMORA_TRACE_FAILED(E_POINTER);
        PELMORA_RESOLVE(DXMesh, mesh, hMesh);
        DXViewport* viewport = nullptr;
        if (hViewport != 0) {
            viewport = ownViewport(hViewport);
            if (!viewport) return PELMORA_TRACE_FAILED(E_HANDLE);
        }
        PickRequest request;
        request.x = x;
        request.y = y;
        request.origin = D3DXVECTOR3(float(origX), float(origY), float(origZ));
        request.direction = D3DXVECTOR3(float(dirX), float(dirY), float(dirZ));
        request.threshold = threshold;
        request.backThreshold = backThreshold;
        PickResult result;
        const HRESULT hr = mesh->pickMesh(viewport, request, &result);
        if (FAILED(hr)) return PELMORA_TRACE_FAILED(hr);
        *isHit = result.hit ? VARIANT_TRUE : VARIANT_FALSE;
        *hitX = result.hit ? double(result.point.x) : 0.0;
        *hitY = result.hit ? double(result.point.y) : 0.0;
        *hitZ = result.hit ? double(result.point.z) : 0.0;
        return hr;
    });
}

HRESULT DXContext::getMeshData(int hMesh, SAFEARRAY** vertexData, SAFEARRAY** faceData) {
    return PELMORA_INTERFACE_CALL({
        if (!vertexData || !faceData) return PELMORA_TRACE_FAILED(E_POINTER);
        PELMORA_RESOLVE(DXMesh, mesh, hMesh);
        MeshData data;
        if (mesh->getMeshData(&data) != S_OK) {
            // Meshes that keep their geometry to themselves: nothing, and no error.
            *vertexData = nullptr;
            *faceData = nullptr;
            return S_OK;
        }
        constexpr size_t kFloatsPerVertex = 3;
        OwnedArray positions;
        OwnedArray list;
        HRESULT hr = makeVector<float>(
            VT_R4, kFloatsPerVertex * data.vertexCount,
            [&](size_t i) {
                const D3DXVECTOR3 v = data.vertices[i / kFloatsPerVertex];
                const float xyz[kFloatsPerVertex] = {v.x, v.y, v.z};
                return xyz[i % kFloatsPerVertex];
            },
            &positions);
        if (FAILED(hr)) return hr;
        hr = makeVector<int32_t>(
            VT_I4, data.listLength, [&](size_t i) { return int32_t(data.list[i]); }, &list);
        if (FAILED(hr)) return hr;
        *vertexData = positions.release();
        *faceData = list.release();
        return S_OK;
    });
}

HRESULT DXContext::getScreenData(int hMesh, int hViewport, SAFEARRAY** transform,
                                 SAFEARRAY** ppScreenPoints, SAFEARRAY** ppScreenFaceData) {
    return PELMORA_INTERFACE_CALL({
        if (!ppScreenPoints || !ppScreenFaceData) return PELMORA_TRACE_FAILED(E_POINTER);
        PELMORA_RESOLVE(DXMesh, mesh, hMesh);
        PELMORA_RESOLVE_VIEWPORT(viewport, hViewport);
        D3DXMATRIX matrix;
        const HRESULT hr = readProjectionTransform(transform, &matrix);
        if (FAILED(hr)) return hr;
        screenProjection_.clear();
        const HRESULT status = mesh->getScreenData(*viewport, matrix, &screenProjection_);
        return deliverProjection(status, screenProjection_, ppScreenPoints, ppScreenFaceData);
    });
}

HRESULT DXContext::getPrintData(int hMesh, SAFEARRAY** transform, double printScale,
                                double printHeight, double printOffsetX, double printOffsetY,
                                SAFEARRAY** ppScreenPoints, SAFEARRAY** ppScreenFaceData) {
    return PELMORA_INTERFACE_CALL({
        if (!ppScreenPoints || !ppScreenFaceData) return PELMORA_TRACE_FAILED(E_POINTER);
        PELMORA_RESOLVE(DXMesh, mesh, hMesh);
        D3DXMATRIX matrix;
        const HRESULT hr = readProjectionTransform(transform, &matrix);
        if (FAILED(hr)) return hr;
        const PrintLayout layout{printScale, printHeight, printOffsetX, printOffsetY};
        ProjectedMesh projected;
        const HRESULT status = mesh->getPrintData(matrix, layout, &projected);
        return deliverProjection(status, projected, ppScreenPoints, ppScreenFaceData);
    });
}

}  // namespace pelmora
