// Transforms as they cross the interface: one-dimensional SAFEARRAYs of 12
// doubles (m11 m12 m13, m21 m22 m23, m31 m32 m33, m41 m42 m43). Frames and
// viewports read and write them the same way; each decides what a wrong
// shape means for it.
#pragma once

#include "platform/d3d9/d3d9types.h"

#include <cstdint>

namespace pelmora {

struct TransformArrayShape {
    int64_t count = 0;  // elements over all dimensions
    UINT elementSize = 0;

    bool holdsTwelveDoubles() const;
};

// Counts the elements as every array reader does (countSafeArrayElements),
// then reads the element size; a failure is traced and returned.
HRESULT readTransformArrayShape(SAFEARRAY** transform, TransformArrayShape* shape);

// The matrix of an array whose shape holds twelve doubles; a failure to reach
// the data is traced and returned.
HRESULT readTransformArray(SAFEARRAY* array, D3DMATRIX* matrix);

// A new 12-element VT_R8 vector with lower bound 0 holding the matrix.
HRESULT writeTransformArray(const D3DMATRIX& matrix, SAFEARRAY** result);

}  // namespace pelmora
