#include "platform/d3d9/state/MatrixMath.h"

#include "platform/d3d9/state/DeviceState.h"

#include <cmath>

namespace pelmora::d3d9state {

D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX result{};
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.m[row][k] * b.m[k][column];
            result.m[row][column] = sum;
        }
    return result;
}

D3DMATRIX normalMatrix(const D3DMATRIX& worldView) {
    const auto& m = worldView.m;
    // Cofactors of the upper 3x3: the inverse transpose is cofactor / determinant.
    float cofactor[3][3];
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            const int r0 = (row + 1) % 3, r1 = (row + 2) % 3;
            const int c0 = (column + 1) % 3, c1 = (column + 2) % 3;
            cofactor[row][column] = m[r0][c0] * m[r1][c1] - m[r0][c1] * m[r1][c0];
        }
    const float determinant = m[0][0] * cofactor[0][0] + m[0][1] * cofactor[0][1] + m[0][2] * cofactor[0][2];
    D3DMATRIX result = identityMatrix();
    if (std::fabs(determinant) < 1e-30f) return result;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) result.m[row][column] = cofactor[row][column] / determinant;
    return result;
}

void transformVector(const float in[4], const D3DMATRIX& m, float out[4]) {
    for (int column = 0; column < 4; ++column) {
        out[column] = 0.0f;
        for (int k = 0; k < 4; ++k) out[column] += in[k] * m.m[k][column];
    }
}

}  // namespace pelmora::d3d9state
