#include "platform/d3dx/d3dx9math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr float kTolerance = 1e-5f;
constexpr float kPi = std::numbers::pi_v<float>;

void expectMatrixNear(const D3DMATRIX& actual, const D3DMATRIX& expected, float tolerance = kTolerance) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tolerance) << "entry _" << r + 1 << c + 1;
}

void expectVectorNear(const D3DVECTOR& actual, float x, float y, float z, float tolerance = kTolerance) {
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
}

D3DXMATRIX translation(float x, float y, float z) {
    D3DXMATRIX m;
    return *D3DXMatrixTranslation(&m, x, y, z);
}

D3DXVECTOR3 transformed(D3DXVECTOR3 point, const D3DXMATRIX& m) {
    D3DXVECTOR3 out;
    return *D3DXVec3TransformCoord(&out, &point, &m);
}

// A matrix with every kind of entry: rotation, scale, translation and projection.
D3DXMATRIX generalMatrix() {
    D3DXMATRIX rotation, scaling, projection;
    D3DXVECTOR3 axis(1.0f, 2.0f, 3.0f);
    D3DXMatrixRotationAxis(&rotation, &axis, 0.7f);
    D3DXMatrixScaling(&scaling, 2.0f, 0.5f, 3.0f);
    D3DXMatrixPerspectiveOffCenterRH(&projection, -1.0f, 2.0f, -0.5f, 1.0f, 1.0f, 50.0f);
    return rotation * scaling * translation(1.0f, -2.0f, 3.0f) * projection;
}

TEST(D3DXMatrixTest, LookAtPutsTheEyeAtTheOriginLookingDownMinusZ) {
    D3DXVECTOR3 eye(0, 0, 5), at(0, 0, 0), up(0, 1, 0);
    D3DXMATRIX view;
    D3DXMatrixLookAtRH(&view, &eye, &at, &up);
    expectMatrixNear(view, translation(0.0f, 0.0f, -5.0f));
    eye = {3, 4, 2};
    at = {-1, 0.5f, 1};
    up = {0, 0, 1};
    D3DXMatrixLookAtRH(&view, &eye, &at, &up);
    D3DXVECTOR3 offset;
    D3DXVec3Subtract(&offset, &eye, &at);
    expectVectorNear(transformed(eye, view), 0, 0, 0);
    expectVectorNear(transformed(at, view), 0, 0, -D3DXVec3Length(&offset));
}

TEST(D3DXMatrixTest, OffCentreProjectionEntries) {
    D3DXMATRIX p, expected;
    D3DXMatrixPerspectiveOffCenterRH(&p, 0.0f, 2.0f, -1.0f, 3.0f, 1.5f, 100.0f);
    expected._11 = 2.0f * 1.5f / 2.0f;
    expected._22 = 2.0f * 1.5f / 4.0f;
    expected._31 = 2.0f / 2.0f;
    expected._32 = 2.0f / 4.0f;
    expected._33 = 100.0f / (1.5f - 100.0f);
    expected._34 = -1.0f;
    expected._43 = 1.5f * 100.0f / (1.5f - 100.0f);
    expectMatrixNear(p, expected);
    D3DXMatrixOrthoOffCenterRH(&p, 0.0f, 2.0f, -1.0f, 3.0f, 1.5f, 100.0f);
    expected = D3DXMATRIX();
    expected._11 = 2.0f / 2.0f;
    expected._22 = 2.0f / 4.0f;
    expected._33 = 1.0f / (1.5f - 100.0f);
    expected._41 = -2.0f / 2.0f;
    expected._42 = -2.0f / 4.0f;
    expected._43 = 1.5f / (1.5f - 100.0f);
    expected._44 = 1.0f;
    expectMatrixNear(p, expected);
    // Perspective maps the front and back planes to depths 0 and 1.
    D3DXMatrixPerspectiveOffCenterRH(&p, -1.0f, 1.0f, -0.75f, 0.75f, 1.0f, 1000.0f);
    expectVectorNear(transformed({1, 0.75f, -1}, p), 1, 1, 0);
    EXPECT_NEAR(transformed({0, 0, -1000}, p).z, 1.0f, kTolerance);
}

// The default orthographic camera: plane (-1, 1, -0.75, 0.75), front 1, back
// 1000, eye 5 units back.
TEST(D3DXMatrixTest, DefaultOrthographicCameraProjectsTheOriginAndBack) {
    D3DXMATRIX p;
    D3DXMatrixOrthoOffCenterRH(&p, -1.0f, 1.0f, -0.75f, 0.75f, 1.0f, 1000.0f);
    const D3DXMATRIX chain = translation(0.0f, 0.0f, -5.0f) * p;
    expectVectorNear(transformed({0, 0, 0}, chain), 0, 0, 4.0f / 999.0f);
    expectVectorNear(transformed({1, 0.75f, 0}, chain), 1, 1, 4.0f / 999.0f);
    // Back from the centre of the front plane to the world: one unit before the eye.
    D3DXMATRIX inverse;
    ASSERT_NE(D3DXMatrixInverse(&inverse, nullptr, &chain), nullptr);
    expectVectorNear(transformed({0, 0, 0}, inverse), 0, 0, 4, 1e-4f);
}

TEST(D3DXMatrixTest, InverseReportsASingularMatrixAndLeavesItsOutput) {
    D3DXMATRIX m = generalMatrix(), inverse, identity;
    D3DXMatrixIdentity(&identity);
    float determinant = 0.0f;
    ASSERT_EQ(D3DXMatrixInverse(&inverse, &determinant, &m), &inverse);
    EXPECT_NE(determinant, 0.0f);
    expectMatrixNear(inverse * m, identity, 1e-4f);
    expectMatrixNear(m * inverse, identity, 1e-4f);
    D3DXMATRIX singular = translation(1.0f, 2.0f, 3.0f);
    singular._11 = singular._12 = singular._13 = singular._14 = 0.0f;
    D3DXMATRIX out = translation(9.0f, 9.0f, 9.0f);
    EXPECT_EQ(D3DXMatrixInverse(&out, &determinant, &singular), nullptr);
    EXPECT_EQ(determinant, 0.0f);
    expectMatrixNear(out, translation(9.0f, 9.0f, 9.0f));
    D3DXMatrixScaling(&m, 2.0f, 3.0f, -4.0f);
    EXPECT_NEAR(D3DXMatrixDeterminant(&m), -24.0f, kTolerance);
}

TEST(D3DXMatrixTest, LeftFactorAppliesFirstAndOutputMayAliasAnInput) {
    D3DXMATRIX scale, product;
    D3DXMatrixScaling(&scale, 2.0f, 2.0f, 2.0f);
    const D3DXMATRIX move = translation(1.0f, 0.0f, 0.0f);
    D3DXMatrixMultiply(&product, &move, &scale);
    expectVectorNear(transformed({1, 1, 1}, product), 4, 2, 2);
    D3DXMATRIX a = generalMatrix();
    const D3DXMATRIX b = translation(1.0f, 2.0f, 3.0f), expected = a * b;
    D3DXMatrixMultiply(&a, &a, &b);
    expectMatrixNear(a, expected);
    D3DXMatrixTranspose(&a, &expected);
    D3DXMatrixTranspose(&a, &a);
    expectMatrixNear(a, expected);
}

TEST(D3DXMatrixTest, RotationAboutAnAxis) {
    D3DXVECTOR3 z(0, 0, 1), longY(0, 4, 0), unitY(0, 1, 0);
    D3DXMATRIX r, other;
    D3DXMatrixRotationAxis(&r, &z, kPi / 2.0f);
    expectVectorNear(transformed({1, 0, 0}, r), 0, 1, 0);
    // The axis is normalised first.
    D3DXMatrixRotationAxis(&r, &longY, 0.3f);
    D3DXMatrixRotationAxis(&other, &unitY, 0.3f);
    expectMatrixNear(r, other);
    // T^-1 x R x T turns about the axis through (1, 0, 0): (2, 0, 0) lands on the origin.
    const D3DXMATRIX toAxis = translation(1.0f, 0.0f, 0.0f);
    D3DXMATRIX fromAxis;
    D3DXMatrixInverse(&fromAxis, nullptr, &toAxis);
    D3DXMatrixRotationAxis(&r, &z, kPi);
    expectVectorNear(transformed({2, 0, 0}, fromAxis * r * toAxis), 0, 0, 0);
}

TEST(D3DXVectorTest, TransformsAndProducts) {
    D3DXMATRIX m = translation(1.0f, 2.0f, 3.0f);
    m._44 = 2.0f;
    D3DXVECTOR3 v(1.0f, 1.0f, 1.0f), out;
    expectVectorNear(transformed(v, m), 1.0f, 1.5f, 2.0f);  // as a point, divided by w
    expectVectorNear(*D3DXVec3TransformNormal(&out, &v, &m), 1, 1, 1);
    D3DXVECTOR4 four;
    D3DXVec3Transform(&four, &v, &m);
    EXPECT_EQ((std::vector<float>{four.x, four.y, four.z, four.w}), (std::vector<float>{2, 3, 4, 2}));
    D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0), w(3, 0, 4), zero(0, 0, 0);
    expectVectorNear(*D3DXVec3Cross(&out, &x, &y), 0, 0, 1);
    EXPECT_FLOAT_EQ(D3DXVec3Dot(&w, &w), 25.0f);
    EXPECT_FLOAT_EQ(D3DXVec3Length(&w), 5.0f);
    expectVectorNear(*D3DXVec3Normalize(&out, &w), 0.6f, 0.0f, 0.8f);
    expectVectorNear(*D3DXVec3Normalize(&out, &zero), 0, 0, 0);
}

}  // namespace
