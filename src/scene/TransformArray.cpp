#include "scene/TransformArray.h"

#include "core/Diagnostics.h"
#include "platform/com/SafeArrayElementCount.h"
#include "scene/FrameMatrix.h"

#include <cstring>

namespace pelmora {

bool TransformArrayShape::holdsTwelveDoubles() const {
    return count == kTransformArrayLength && elementSize == sizeof(double);
}

HRESULT readTransformArrayShape(SAFEARRAY** transform, TransformArrayShape* shape) {
    if (transform == nullptr || *transform == nullptr) return PELMORA_TRACE_FAILED(E_POINTER);
    SAFEARRAY* array = *transform;
    LONG count = 0;
    PELMORA_RETURN_IF_FAILED(countSafeArrayElements(array, &count));
    shape->count = count;
    shape->elementSize = SafeArrayGetElemsize(array);
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
