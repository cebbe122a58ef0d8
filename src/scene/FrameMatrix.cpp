#include "scene/FrameMatrix.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace pelmora {

namespace {

constexpr int kRows = 4;
constexpr int kAffineRows = 4;     // rows stored in a transform array
constexpr int kAffineColumns = 3;  // columns stored in a transform array

}  // namespace

D3DMATRIX identityMatrix() {
    D3DMATRIX m{};
    for (int i = 0; i < kRows; ++i) m.m[i][i] = 1.0f;
    return m;
}

bool isIdentityMatrix(const D3DMATRIX& m) {
    const uint32_t oneBits = std::bit_cast<uint32_t>(1.0f);
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kRows; ++column) {
            const float value = m.m[row][column];
            if (row == column ? std::bit_cast<uint32_t>(value) != oneBits : value != 0.0f)
                return false;
        }
    }
    return true;
}

D3DMATRIX multiplyMatrices(const D3DMATRIX& first, const D3DMATRIX& second) {
    D3DMATRIX product{};
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kRows; ++column) {
            product.m[row][column] =
                first.m[row][0] * second.m[0][column] + first.m[row][1] * second.m[1][column] +
                first.m[row][2] * second.m[2][column] + first.m[row][3] * second.m[3][column];
        }
    }
    return product;
}

D3DMATRIX composeWorld(const D3DMATRIX& local, const D3DMATRIX& parentWorld) {
    return isIdentityMatrix(local) ? parentWorld : multiplyMatrices(local, parentWorld);
}

D3DMATRIX axisRotationMatrix(float axisX, float axisY, float axisZ, float theta) {
    const float length = std::sqrt(axisX * axisX + axisY * axisY + axisZ * axisZ);
    const float x = length != 0.0f ? axisX / length : 0.0f;
    const float y = length != 0.0f ? axisY / length : 0.0f;
    const float z = length != 0.0f ? axisZ / length : 0.0f;
    const float k = std::cos(theta);
    const float s = std::sin(theta);
    const float t = 1.0f - k;

    D3DMATRIX r = identityMatrix();
    r._11 = x * x * t + k;
    r._12 = x * y * t + z * s;
    r._13 = x * z * t - y * s;
    r._21 = x * y * t - z * s;
    r._22 = y * y * t + k;
    r._23 = y * z * t + x * s;
    r._31 = x * z * t + y * s;
    r._32 = y * z * t - x * s;
    r._33 = z * z * t + k;
    return r;
}

D3DMATRIX matrixFromTransformArray(const double (&values)[kTransformArrayLength]) {
    D3DMATRIX m = identityMatrix();
    for (int row = 0; row < kAffineRows; ++row)
        for (int column = 0; column < kAffineColumns; ++column)
            m.m[row][column] = static_cast<float>(values[row * kAffineColumns + column]);
    return m;
}

void transformArrayFromMatrix(const D3DMATRIX& m, double (&values)[kTransformArrayLength]) {
    for (int row = 0; row < kAffineRows; ++row)
        for (int column = 0; column < kAffineColumns; ++column)
            values[row * kAffineColumns + column] = m.m[row][column];
}

}  // namespace pelmora
