// The little matrix arithmetic the device needs on the CPU, in Direct3D's
// row-vector convention: v' = v * M.
#pragma once

#include "platform/d3d9/d3d9types.h"

namespace pelmora::d3d9state {

D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b);
// Inverse transpose of the upper 3x3 (normals), in a 4x4 with w untouched;
// the identity for a singular matrix.
D3DMATRIX normalMatrix(const D3DMATRIX& worldView);
// (x, y, z, w) * M
void transformVector(const float in[4], const D3DMATRIX& m, float out[4]);

}  // namespace pelmora::d3d9state
