#include "platform/d3dx/d3dx9math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr float kTolerance = 1e-5f;
constexpr float kPi = std::numbers::pi_v<float>;

void expectMatrixNear(const D3DMATRIX& actual, const D3DMATRIX& expected,
                      float tolerance = kTolerance) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tolerance)
                << "entry _" << r + 1 << c + 1;
}

void expectVectorNear(const D3DVECTOR& actual, float x, float y, float z,
                      float tolerance = kTolerance) {
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
}

D3DXMATRIX identity() {
    D3DXMATRIX m;
    return *D3DXMatrixIdentity(&m);
}

D3DXMATRIX translation(float x, float y, float z) {
    D3DXMATRIX m;
    return *D3DXMatrixTranslation(&m, x, y, z);
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

TEST(D3DXMatrixViewTest, LookAtFromFiveAlongZIsATranslation) {
    D3DXVECTOR3 eye(0.0f, 0.0f, 5.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view;
    D3DXMatrixLookAtRH(&view, &eye, &at, &up);
    expectMatrixNear(view, translation(0.0f, 0.0f, -5.0f));
}

TEST(D3DXMatrixViewTest, LookAtPutsTheEyeAtTheOriginLookingDownMinusZ) {
    D3DXVECTOR3 eye(3.0f, 4.0f, 2.0f), at(-1.0f, 0.5f, 1.0f), up(0.0f, 0.0f, 1.0f);
    D3DXMATRIX view;
    D3DXMatrixLookAtRH(&view, &eye, &at, &up);
    D3DXVECTOR3 eyeInView, atInView, offset;
    D3DXVec3TransformCoord(&eyeInView, &eye, &view);
    D3DXVec3TransformCoord(&atInView, &at, &view);
    D3DXVec3Subtract(&offset, &eye, &at);
    expectVectorNear(eyeInView, 0.0f, 0.0f, 0.0f);
    expectVectorNear(atInView, 0.0f, 0.0f, -D3DXVec3Length(&offset));
}

TEST(D3DXMatrixProjectionTest, PerspectiveOffCentreEntries) {
    D3DXMATRIX p;
    D3DXMatrixPerspectiveOffCenterRH(&p, 0.0f, 2.0f, -1.0f, 3.0f, 1.5f, 100.0f);
    D3DXMATRIX expected;
    expected._11 = 2.0f * 1.5f / 2.0f;
    expected._22 = 2.0f * 1.5f / 4.0f;
    expected._31 = 2.0f / 2.0f;
    expected._32 = 2.0f / 4.0f;
    expected._33 = 100.0f / (1.5f - 100.0f);
    expected._34 = -1.0f;
    expected._43 = 1.5f * 100.0f / (1.5f - 100.0f);
    expectMatrixNear(p, expected);
}

TEST(D3DXMatrixProjectionTest, OrthographicOffCentreEntries) {
    D3DXMATRIX p;
    D3DXMatrixOrthoOffCenterRH(&p, 0.0f, 2.0f, -1.0f, 3.0f, 1.5f, 100.0f);
    D3DXMATRIX expected;
    expected._11 = 2.0f / 2.0f;
    expected._22 = 2.0f / 4.0f;
    expected._33 = 1.0f / (1.5f - 100.0f);
    expected._41 = -2.0f / 2.0f;
    expected._42 = -2.0f / 4.0f;
    expected._43 = 1.5f / (1.5f - 100.0f);
    expected._44 = 1.0f;
    expectMatrixNear(p, expected);
}

TEST(D3DXMatrixProjectionTest, PerspectiveMapsFrontAndBackPlanesToZeroAndOne) {
    D3DXMATRIX p;
    D3DXMatrixPerspectiveOffCenterRH(&p, -1.0f, 1.0f, -0.75f, 0.75f, 1.0f, 1000.0f);
    D3DXVECTOR3 front(1.0f, 0.75f, -1.0f), back(0.0f, 0.0f, -1000.0f), ndc;
    D3DXVec3TransformCoord(&ndc, &front, &p);
    expectVectorNear(ndc, 1.0f, 1.0f, 0.0f);
    D3DXVec3TransformCoord(&ndc, &back, &p);
    EXPECT_NEAR(ndc.z, 1.0f, kTolerance);
}

// The default orthographic camera: plane (-1, 1, -0.75, 0.75), front 1, back
// 1000, eye 5 units back.
TEST(D3DXMatrixProjectionTest, DefaultOrthographicCameraProjectsTheOrigin) {
    D3DXMATRIX p;
    D3DXMatrixOrthoOffCenterRH(&p, -1.0f, 1.0f, -0.75f, 0.75f, 1.0f, 1000.0f);
    D3DXMATRIX chain = translation(0.0f, 0.0f, -5.0f) * p;
    D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f), corner(1.0f, 0.75f, 0.0f), ndc;
    D3DXVec3TransformCoord(&ndc, &origin, &chain);
    expectVectorNear(ndc, 0.0f, 0.0f, 4.0f / 999.0f);
    D3DXVec3TransformCoord(&ndc, &corner, &chain);
    expectVectorNear(ndc, 1.0f, 1.0f, 4.0f / 999.0f);

    // Back from the centre of the front plane to the world: one unit before the eye.
    D3DXMATRIX inverse;
    ASSERT_NE(D3DXMatrixInverse(&inverse, nullptr, &chain), nullptr);
    D3DXVECTOR3 centre(0.0f, 0.0f, 0.0f), world;
    D3DXVec3TransformCoord(&world, &centre, &inverse);
    expectVectorNear(world, 0.0f, 0.0f, 4.0f, 1e-4f);
}

TEST(D3DXMatrixInverseTest, InverseTimesMatrixIsIdentity) {
    D3DXMATRIX m = generalMatrix();
    D3DXMATRIX inverse;
    float determinant = 0.0f;
    ASSERT_EQ(D3DXMatrixInverse(&inverse, &determinant, &m), &inverse);
    EXPECT_NE(determinant, 0.0f);
    expectMatrixNear(inverse * m, identity(), 1e-4f);
    expectMatrixNear(m * inverse, identity(), 1e-4f);
}

TEST(D3DXMatrixInverseTest, SingularMatrixIsReportedAndOutIsUntouched) {
    D3DXMATRIX singular = translation(1.0f, 2.0f, 3.0f);
    singular._11 = singular._12 = singular._13 = singular._14 = 0.0f;
    D3DXMATRIX out = translation(9.0f, 9.0f, 9.0f);
    float determinant = 5.0f;
    EXPECT_EQ(D3DXMatrixInverse(&out, &determinant, &singular), nullptr);
    EXPECT_EQ(determinant, 0.0f);
    expectMatrixNear(out, translation(9.0f, 9.0f, 9.0f));
}

TEST(D3DXMatrixInverseTest, DeterminantOfScalingIsTheProduct) {
    D3DXMATRIX s;
    D3DXMatrixScaling(&s, 2.0f, 3.0f, -4.0f);
    EXPECT_NEAR(D3DXMatrixDeterminant(&s), -24.0f, kTolerance);
}

TEST(D3DXMatrixProductTest, LeftFactorAppliesFirst) {
    D3DXMATRIX scale;
    D3DXMatrixScaling(&scale, 2.0f, 2.0f, 2.0f);
    D3DXMATRIX product;
    D3DXMATRIX move = translation(1.0f, 0.0f, 0.0f);
    D3DXMatrixMultiply(&product, &move, &scale);
    D3DXVECTOR3 p(1.0f, 1.0f, 1.0f), out;
    D3DXVec3TransformCoord(&out, &p, &product);
    expectVectorNear(out, 4.0f, 2.0f, 2.0f);
}

TEST(D3DXMatrixProductTest, OutMayAliasAnInput) {
    D3DXMATRIX a = generalMatrix();
    D3DXMATRIX b = translation(1.0f, 2.0f, 3.0f);
    D3DXMATRIX expected = a * b;
    D3DXMatrixMultiply(&a, &a, &b);
    expectMatrixNear(a, expected);
    D3DXMATRIX t;
    D3DXMatrixTranspose(&t, &expected);
    D3DXMatrixTranspose(&t, &t);
    expectMatrixNear(t, expected);
}

TEST(D3DXMatrixRotationTest, QuarterTurnAboutZ) {
    D3DXVECTOR3 axis(0.0f, 0.0f, 1.0f), x(1.0f, 0.0f, 0.0f), out;
    D3DXMATRIX r;
    D3DXMatrixRotationAxis(&r, &axis, kPi / 2.0f);
    D3DXVec3TransformCoord(&out, &x, &r);
    expectVectorNear(out, 0.0f, 1.0f, 0.0f);
}

TEST(D3DXMatrixRotationTest, AxisIsNormalisedFirst) {
    D3DXVECTOR3 longAxis(0.0f, 4.0f, 0.0f), unitAxis(0.0f, 1.0f, 0.0f);
    D3DXMATRIX a, b;
    D3DXMatrixRotationAxis(&a, &longAxis, 0.3f);
    D3DXMatrixRotationAxis(&b, &unitAxis, 0.3f);
    expectMatrixNear(a, b);
}

TEST(D3DXMatrixRotationTest, HalfTurnAboutAnAxisThroughAPoint) {
    // T^-1 x R x T turns about the axis through (1, 0, 0): (2, 0, 0) lands on the origin.
    D3DXMATRIX toAxis = translation(1.0f, 0.0f, 0.0f), fromAxis, r;
    D3DXMatrixInverse(&fromAxis, nullptr, &toAxis);
    D3DXVECTOR3 axis(0.0f, 0.0f, 1.0f), p(2.0f, 0.0f, 0.0f), out;
    D3DXMatrixRotationAxis(&r, &axis, kPi);
    D3DXMATRIX turn = fromAxis * r * toAxis;
    D3DXVec3TransformCoord(&out, &p, &turn);
    expectVectorNear(out, 0.0f, 0.0f, 0.0f);
}

TEST(D3DXVectorTransformTest, PointDirectionAndFourVector) {
    D3DXMATRIX m = translation(1.0f, 2.0f, 3.0f);
    m._44 = 2.0f;
    D3DXVECTOR3 v(1.0f, 1.0f, 1.0f), out;
    D3DXVec3TransformCoord(&out, &v, &m);
    expectVectorNear(out, 1.0f, 1.5f, 2.0f);
    D3DXVec3TransformNormal(&out, &v, &m);
    expectVectorNear(out, 1.0f, 1.0f, 1.0f);
    D3DXVECTOR4 four;
    D3DXVec3Transform(&four, &v, &m);
    EXPECT_FLOAT_EQ(four.x, 2.0f);
    EXPECT_FLOAT_EQ(four.y, 3.0f);
    EXPECT_FLOAT_EQ(four.z, 4.0f);
    EXPECT_FLOAT_EQ(four.w, 2.0f);
}

TEST(D3DXVectorTest, CrossDotLengthNormalize) {
    D3DXVECTOR3 x(1.0f, 0.0f, 0.0f), y(0.0f, 1.0f, 0.0f), z;
    D3DXVec3Cross(&z, &x, &y);
    expectVectorNear(z, 0.0f, 0.0f, 1.0f);
    D3DXVECTOR3 v(3.0f, 0.0f, 4.0f), unit;
    EXPECT_FLOAT_EQ(D3DXVec3Dot(&v, &v), 25.0f);
    EXPECT_FLOAT_EQ(D3DXVec3Length(&v), 5.0f);
    D3DXVec3Normalize(&unit, &v);
    expectVectorNear(unit, 0.6f, 0.0f, 0.8f);
    D3DXVECTOR3 zero;
    D3DXVec3Normalize(&unit, &zero);
    expectVectorNear(unit, 0.0f, 0.0f, 0.0f);
}

}  // namespace
