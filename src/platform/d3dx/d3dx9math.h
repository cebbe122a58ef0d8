// Matrix and vector operations of the extension library, in the device's
// row-vector convention: a point p maps to p x M, and A x B applies A first.
// Views and projections are the right-handed forms. Every function writes its
// result through the out pointer and returns it, so calls can be nested; the
// out pointer may alias an input.
#pragma once

#include "platform/d3d9/d3d9types.h"

struct D3DXVECTOR2 {
    float x;
    float y;
};

struct D3DXVECTOR3 : public D3DVECTOR {
    D3DXVECTOR3() : D3DVECTOR{0.0f, 0.0f, 0.0f} {}
    D3DXVECTOR3(float x, float y, float z) : D3DVECTOR{x, y, z} {}
    D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}  // NOLINT: widening a record is free
};

struct D3DXVECTOR4 {
    float x;
    float y;
    float z;
    float w;
};

struct D3DXMATRIX : public D3DMATRIX {
    D3DXMATRIX() : D3DMATRIX{} {}
    D3DXMATRIX(const D3DMATRIX& m) : D3DMATRIX(m) {}  // NOLINT: widening a record is free
    D3DXMATRIX(float m11, float m12, float m13, float m14, float m21, float m22, float m23,
               float m24, float m31, float m32, float m33, float m34, float m41, float m42,
               float m43, float m44);

    float& operator()(int row, int column) { return m[row][column]; }
    float operator()(int row, int column) const { return m[row][column]; }
    D3DXMATRIX operator*(const D3DMATRIX& right) const;
};

// Vectors.
float D3DXVec3Dot(const D3DVECTOR* a, const D3DVECTOR* b);
float D3DXVec3Length(const D3DVECTOR* v);
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DVECTOR* a, const D3DVECTOR* b);
D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DVECTOR* a, const D3DVECTOR* b);
D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DVECTOR* a, const D3DVECTOR* b);
D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DVECTOR* v, float s);
// A zero vector stays zero rather than turning into NaNs.
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DVECTOR* v);

// (x, y, z, 1) x M, then divided by the resulting w.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DVECTOR* v, const D3DMATRIX* m);
// (x, y, z, 1) x M with no division.
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DVECTOR* v, const D3DMATRIX* m);
// (x, y, z, 0) x M: a direction, untouched by the translation row.
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DVECTOR* v, const D3DMATRIX* m);

// Matrices.
D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
bool D3DXMatrixIsIdentity(const D3DMATRIX* m);
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DMATRIX* m);
float D3DXMatrixDeterminant(const D3DMATRIX* m);
// The general 4x4 inverse. A singular matrix answers null and leaves out
// untouched; the determinant is reported either way when asked for.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DMATRIX* m);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float x, float y, float z);
// Rotation through angle radians about the axis, which is normalised first.
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DVECTOR* axis, float angle);
D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* out, const D3DVECTOR* eye, const D3DVECTOR* at,
                               const D3DVECTOR* up);
D3DXMATRIX* D3DXMatrixPerspectiveOffCenterRH(D3DXMATRIX* out, float left, float right,
                                             float bottom, float top, float zNear, float zFar);
D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* out, float left, float right, float bottom,
                                       float top, float zNear, float zFar);
