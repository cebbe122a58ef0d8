#include "platform/d3dx/d3dx9math.h"

#include <cmath>

namespace {

constexpr int kOrder = 4;

D3DXVECTOR4 transformRow(const D3DVECTOR& v, float w, const D3DMATRIX& m) {
    D3DXVECTOR4 r;
    r.x = v.x * m._11 + v.y * m._21 + v.z * m._31 + w * m._41;
    r.y = v.x * m._12 + v.y * m._22 + v.z * m._32 + w * m._42;
    r.z = v.x * m._13 + v.y * m._23 + v.z * m._33 + w * m._43;
    r.w = v.x * m._14 + v.y * m._24 + v.z * m._34 + w * m._44;
    return r;
}

// The 3x3 minor of m without the given row and column, in double so that the
// inverse of a well-conditioned float matrix loses nothing to cancellation.
double minor3(const D3DMATRIX& m, int skipRow, int skipColumn) {
    double a[3][3];
    for (int r = 0, i = 0; r < kOrder; ++r) {
        if (r == skipRow)
            continue;
        for (int c = 0, j = 0; c < kOrder; ++c) {
            if (c == skipColumn)
                continue;
            a[i][j++] = m.m[r][c];
        }
        ++i;
    }
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
}

double cofactor(const D3DMATRIX& m, int row, int column) {
    double sign = ((row + column) % 2 == 0) ? 1.0 : -1.0;
    return sign * minor3(m, row, column);
}

double determinant(const D3DMATRIX& m) {
    double det = 0.0;
    for (int c = 0; c < kOrder; ++c)
        det += m.m[0][c] * cofactor(m, 0, c);
    return det;
}

}  // namespace

D3DXMATRIX::D3DXMATRIX(float m11, float m12, float m13, float m14, float m21, float m22,
                       float m23, float m24, float m31, float m32, float m33, float m34,
                       float m41, float m42, float m43, float m44)
    : D3DMATRIX{} {
    _11 = m11, _12 = m12, _13 = m13, _14 = m14;
    _21 = m21, _22 = m22, _23 = m23, _24 = m24;
    _31 = m31, _32 = m32, _33 = m33, _34 = m34;
    _41 = m41, _42 = m42, _43 = m43, _44 = m44;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DMATRIX& right) const {
    D3DXMATRIX product;
    D3DXMatrixMultiply(&product, this, &right);
    return product;
}

float D3DXVec3Dot(const D3DVECTOR* a, const D3DVECTOR* b) {
    return a->x * b->x + a->y * b->y + a->z * b->z;
}

float D3DXVec3Length(const D3DVECTOR* v) { return std::sqrt(D3DXVec3Dot(v, v)); }

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DVECTOR* a, const D3DVECTOR* b) {
    D3DXVECTOR3 r(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z,
                  a->x * b->y - a->y * b->x);
    *out = r;
    return out;
}

D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DVECTOR* a, const D3DVECTOR* b) {
    *out = D3DXVECTOR3(a->x + b->x, a->y + b->y, a->z + b->z);
    return out;
}

D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DVECTOR* a, const D3DVECTOR* b) {
    *out = D3DXVECTOR3(a->x - b->x, a->y - b->y, a->z - b->z);
    return out;
}

D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DVECTOR* v, float s) {
    *out = D3DXVECTOR3(v->x * s, v->y * s, v->z * s);
    return out;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DVECTOR* v) {
    float length = D3DXVec3Length(v);
    if (length == 0.0f) {
        *out = D3DXVECTOR3();
        return out;
    }
    return D3DXVec3Scale(out, v, 1.0f / length);
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DVECTOR* v, const D3DMATRIX* m) {
    D3DXVECTOR4 r = transformRow(*v, 1.0f, *m);
    *out = D3DXVECTOR3(r.x / r.w, r.y / r.w, r.z / r.w);
    return out;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DVECTOR* v, const D3DMATRIX* m) {
    *out = transformRow(*v, 1.0f, *m);
    return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DVECTOR* v, const D3DMATRIX* m) {
    D3DXVECTOR4 r = transformRow(*v, 0.0f, *m);
    *out = D3DXVECTOR3(r.x, r.y, r.z);
    return out;
}

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
    *out = D3DXMATRIX();
    out->_11 = out->_22 = out->_33 = out->_44 = 1.0f;
    return out;
}

bool D3DXMatrixIsIdentity(const D3DMATRIX* m) {
    for (int r = 0; r < kOrder; ++r)
        for (int c = 0; c < kOrder; ++c)
            if (m->m[r][c] != (r == c ? 1.0f : 0.0f))
                return false;
    return true;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b) {
    D3DXMATRIX r;
    for (int row = 0; row < kOrder; ++row)
        for (int column = 0; column < kOrder; ++column) {
            float sum = 0.0f;
            for (int k = 0; k < kOrder; ++k)
                sum += a->m[row][k] * b->m[k][column];
            r.m[row][column] = sum;
        }
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DMATRIX* m) {
    D3DXMATRIX r;
    for (int row = 0; row < kOrder; ++row)
        for (int column = 0; column < kOrder; ++column)
            r.m[row][column] = m->m[column][row];
    *out = r;
    return out;
}

float D3DXMatrixDeterminant(const D3DMATRIX* m) { return static_cast<float>(determinant(*m)); }

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinantOut, const D3DMATRIX* m) {
    double det = determinant(*m);
    if (determinantOut)
        *determinantOut = static_cast<float>(det);
    if (det == 0.0 || !std::isfinite(det))
        return nullptr;
    D3DXMATRIX r;
    // The inverse is the transposed cofactor matrix over the determinant.
    for (int row = 0; row < kOrder; ++row)
        for (int column = 0; column < kOrder; ++column)
            r.m[column][row] = static_cast<float>(cofactor(*m, row, column) / det);
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
    D3DXMatrixIdentity(out);
    out->_41 = x;
    out->_42 = y;
    out->_43 = z;
    return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float x, float y, float z) {
    D3DXMatrixIdentity(out);
    out->_11 = x;
    out->_22 = y;
    out->_33 = z;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DVECTOR* axis, float angle) {
    D3DXVECTOR3 a;
    D3DXVec3Normalize(&a, axis);
    float c = std::cos(angle);
    float s = std::sin(angle);
    float t = 1.0f - c;
    *out = D3DXMATRIX(t * a.x * a.x + c, t * a.x * a.y + s * a.z, t * a.x * a.z - s * a.y, 0.0f,
                      t * a.x * a.y - s * a.z, t * a.y * a.y + c, t * a.y * a.z + s * a.x, 0.0f,
                      t * a.x * a.z + s * a.y, t * a.y * a.z - s * a.x, t * a.z * a.z + c, 0.0f,
                      0.0f, 0.0f, 0.0f, 1.0f);
    return out;
}

D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* out, const D3DVECTOR* eye, const D3DVECTOR* at,
                               const D3DVECTOR* up) {
    // The right-handed eye looks down its own -z, so z points from the target to the eye.
    D3DXVECTOR3 zAxis, xAxis, yAxis;
    D3DXVec3Subtract(&zAxis, eye, at);
    D3DXVec3Normalize(&zAxis, &zAxis);
    D3DXVec3Cross(&xAxis, up, &zAxis);
    D3DXVec3Normalize(&xAxis, &xAxis);
    D3DXVec3Cross(&yAxis, &zAxis, &xAxis);
    *out = D3DXMATRIX(xAxis.x, yAxis.x, zAxis.x, 0.0f, xAxis.y, yAxis.y, zAxis.y, 0.0f, xAxis.z,
                      yAxis.z, zAxis.z, 0.0f, -D3DXVec3Dot(&xAxis, eye),
                      -D3DXVec3Dot(&yAxis, eye), -D3DXVec3Dot(&zAxis, eye), 1.0f);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveOffCenterRH(D3DXMATRIX* out, float left, float right,
                                             float bottom, float top, float zNear, float zFar) {
    *out = D3DXMATRIX();
    out->_11 = 2.0f * zNear / (right - left);
    out->_22 = 2.0f * zNear / (top - bottom);
    out->_31 = (left + right) / (right - left);
    out->_32 = (top + bottom) / (top - bottom);
    out->_33 = zFar / (zNear - zFar);
    out->_34 = -1.0f;
    out->_43 = zNear * zFar / (zNear - zFar);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* out, float left, float right, float bottom,
                                       float top, float zNear, float zFar) {
    *out = D3DXMATRIX();
    out->_11 = 2.0f / (right - left);
    out->_22 = 2.0f / (top - bottom);
    out->_33 = 1.0f / (zNear - zFar);
    out->_41 = -(left + right) / (right - left);
    out->_42 = -(top + bottom) / (top - bottom);
    out->_43 = zNear / (zNear - zFar);
    out->_44 = 1.0f;
    return out;
}
