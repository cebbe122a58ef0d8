// Row-vector 4x4 arithmetic shared by the frame walk and the frame transform
// operations, in single precision as the device consumes it.
#pragma once

#include "platform/d3d9/d3d9types.h"

namespace pelmora {

// A transform crosses the interface as 12 doubles: m11 m12 m13, m21 m22 m23,
// m31 m32 m33, m41 m42 m43; the fourth column is implied (0, 0, 0, 1).
inline constexpr int kTransformArrayLength = 12;

D3DMATRIX identityMatrix();

// The walk's cheap test: the diagonal compared bit for bit with 1.0f, every
// other element compared as a float with 0 (so -0 still counts as zero).
bool isIdentityMatrix(const D3DMATRIX& m);

// first x second: a point transformed by the product meets `first` first.
D3DMATRIX multiplyMatrices(const D3DMATRIX& first, const D3DMATRIX& second);

// A frame's world matrix: local x parent world, skipping the product for the
// common untransformed frame.
D3DMATRIX composeWorld(const D3DMATRIX& local, const D3DMATRIX& parentWorld);

// Rotation by theta radians about the axis, normalised first; a zero axis
// normalises to zero as the matrix library does, leaving cos(theta) on the diagonal.
D3DMATRIX axisRotationMatrix(float axisX, float axisY, float axisZ, float theta);

// Each double narrowed to float; fourth column (0, 0, 0, 1).
D3DMATRIX matrixFromTransformArray(const double (&values)[kTransformArrayLength]);
void transformArrayFromMatrix(const D3DMATRIX& m, double (&values)[kTransformArrayLength]);

}  // namespace pelmora
