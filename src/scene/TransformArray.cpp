#include "scene/TransformArray.h"

#include "core/Diagnostics.h"
#include "scene/FrameMatrix.h"

#include <cstring>

namespace pelmora {

bool TransformArrayShape::holdsTwelveDoubles() const {
    return count == kTransformArrayLength && elementSize == sizeof(double) && dimensions == 1;
}

HRESULT readTransformArrayShape(SAFEARRAY** transform, TransformArrayShape* shape) {
    if (transform == nullptr || *transform == nullptr) return PELMORA_TRACE_FAILED(E_POINTER);
    SAFEARRAY* array = *transform;
    LONG upper = 0;
    LONG lower = 0;
    PELMORA_RETURN_IF_FAILED(SafeArrayGetUBound(array, 1, &upper));
    PELMORA_RETURN_IF_FAILED(SafeArrayGetLBound(array, 1, &lower));
    shape->count = static_cast<int64_t>(upper) - lower + 1;
    shape->elementSize = SafeArrayGetElemsize(array);
    shape->dimensions = SafeArrayGetDim(array);
    return S_OK;
}

HRESULT readTransformArray(SAFEARRAY* array, D3DMATRIX* matrix) {
    double values[kTransformArrayLength];
    void* data = nullptr;
    PELMORA_RETURN_IF_FAILED(SafeArrayAccessData(array, &data));
    std::memcpy(values, data, sizeof values);
    PELMORA_RETURN_IF_FAILED(SafeArrayUnaccessData(array));
    *matrix = matrixFromTransformArray(values);
    return S_OK;
}

HRESULT writeTransformArray(const D3DMATRIX& matrix, SAFEARRAY** result) {
    if (result == nullptr) return PELMORA_TRACE_FAILED(E_POINTER);
    SAFEARRAY* array = SafeArrayCreateVector(VT_R8, 0, kTransformArrayLength);
    if (array == nullptr) return PELMORA_TRACE_FAILED(E_OUTOFMEMORY);
    void* data = nullptr;
    HRESULT status = SafeArrayAccessData(array, &data);
    if (SUCCEEDED(status)) {
        double values[kTransformArrayLength];
        transformArrayFromMatrix(matrix, values);
        std::memcpy(data, values, sizeof values);
        status = SafeArrayUnaccessData(array);
    }
    if (FAILED(status)) {
        SafeArrayDestroy(array);
        return PELMORA_TRACE_FAILED(status);
    }
    *result = array;
    return S_OK;
}

}  // namespace pelmora
