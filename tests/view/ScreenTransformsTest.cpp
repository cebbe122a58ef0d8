#include "view/ViewportRig.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pelmora {
namespace {

using test::ViewportRig;

struct Screen {
    double x, y, z, w;
};

class ScreenTransformsTest : public testing::Test {
protected:
    Screen project(double x, double y, double z) {
        Screen s{};
        EXPECT_EQ(viewport->viewportTransform(x, y, z, &s.x, &s.y, &s.z, &s.w), S_OK);
        return s;
    }
    D3DXVECTOR3 unproject(double x, double y, double z, double w = 1.0) {
        double wx = 0, wy = 0, wz = 0;
        EXPECT_EQ(viewport->inverseViewportTransform(x, y, z, w, &wx, &wy, &wz), S_OK);
        return D3DXVECTOR3(float(wx), float(wy), float(wz));
    }

    ViewportRig rig;
    std::unique_ptr<DXViewport> viewport = rig.make();
};

TEST_F(ScreenTransformsTest, WorldOriginProjectsToTheCentreJustBehindTheFrontPlane) {
    const Screen s = project(0, 0, 0);
    EXPECT_NEAR(s.x, 400.0, 1e-4);
    EXPECT_NEAR(s.y, 300.0, 1e-4);
    EXPECT_NEAR(s.z, 4.0 / 999.0, 1e-6);
    EXPECT_EQ(s.w, 1.0);
    const Screen corner = project(1, 0.75, 0);
    EXPECT_NEAR(corner.x, 800.0, 1e-3);
    EXPECT_NEAR(corner.y, 0.0, 1e-3);
}

TEST_F(ScreenTransformsTest, InverseFindsThePointOnTheFrontPlaneWhateverW) {
    const D3DXVECTOR3 p = unproject(400, 300, 0);
    EXPECT_NEAR(p.x, 0.0f, 1e-5);
    EXPECT_NEAR(p.y, 0.0f, 1e-5);
    EXPECT_NEAR(p.z, 4.0f, 1e-4);
    const D3DXVECTOR3 q = unproject(400, 300, 0, -17.0);
    EXPECT_EQ(q.z, p.z);
}

TEST_F(ScreenTransformsTest, ProjectionAndInverseRoundTrip) {
    viewport->setViewportPerspective(VARIANT_TRUE);
    viewport->rotateCamera(0, 0, 0, 1, 1, 0, 0.3);
    const Screen s = project(0.3, -0.2, 0.5);
    const D3DXVECTOR3 back = unproject(s.x, s.y, s.z);
    EXPECT_NEAR(back.x, 0.3f, 1e-3);
    EXPECT_NEAR(back.y, -0.2f, 1e-3);
    EXPECT_NEAR(back.z, 0.5f, 1e-3);
}

TEST_F(ScreenTransformsTest, SelectionRayRunsFromFrontToBackPlane) {
    double o[3], d[3];
    ASSERT_EQ(viewport->getSelectionRay(400, 300, &o[0], &o[1], &o[2], &d[0], &d[1], &d[2]),
              S_OK);
    EXPECT_NEAR(o[0], 0.0, 1e-4);
    EXPECT_NEAR(o[2], -995.0, 1e-2);
    EXPECT_NEAR(d[0], 0.0, 1e-4);
    EXPECT_NEAR(d[2], -999.0, 1e-2);
}

TEST_F(ScreenTransformsTest, CameraPositionFollowsTheCameraTransform) {
    double x = 1, y = 1, z = 1;
    viewport->getCameraPosition(&x, &y, &z);
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(y, 0.0);
    EXPECT_EQ(z, -5.0);
    viewport->rotateCamera(0, 0, 0, 0, 1, 0, 3.14159265358979);
    viewport->getCameraPosition(&x, &y, &z);
    EXPECT_NEAR(z, 5.0, 1e-5);
}

TEST_F(ScreenTransformsTest, RotateCameraTurnsTheSceneAboutAWorldAxis) {
    const Screen before = project(0, 0, 0);
    viewport->rotateCamera(1, 0, 0, 0, 0, 1, 3.14159265358979);
    const Screen after = project(2, 0, 0);
    EXPECT_NEAR(after.x, before.x, 1e-3);
    EXPECT_NEAR(after.y, before.y, 1e-3);
    EXPECT_NEAR(after.z, before.z, 1e-6);
}

// World x maps straight to NDC x on the new viewport, world y to NDC y x 0.75.
class SegmentClippingTest : public ScreenTransformsTest {
protected:
    HRESULT clip(float ax, float ay, float bx, float by, float* a, float* b) {
        const float worldA[3] = {ax, ay * 0.75f, 0};
        const float worldB[3] = {bx, by * 0.75f, 0};
        return viewport->clipSegment(worldA, worldB, a, b);
    }
};

TEST_F(SegmentClippingTest, HorizontalSegmentIsCutAtTheLeftEdge) {
    float a[2] = {}, b[2] = {};
    ASSERT_EQ(clip(-2, 0, 0, 0, a, b), S_OK);
    EXPECT_NEAR(a[0], 0.0f, 1e-3);
    EXPECT_NEAR(a[1], 300.0f, 1e-3);
    EXPECT_NEAR(b[0], 400.0f, 1e-3);
    EXPECT_NEAR(b[1], 300.0f, 1e-3);
}

TEST_F(SegmentClippingTest, SegmentWhollyLeftIsInvisibleAndLeavesTheOutputs) {
    float a[2] = {-7, -7}, b[2] = {-7, -7};
    EXPECT_EQ(clip(-2, 0, -1.5f, 0.5f, a, b), kSegmentInvisible);
    EXPECT_EQ(a[0], -7.0f);
    EXPECT_EQ(b[1], -7.0f);
}

TEST_F(SegmentClippingTest, SegmentThroughTheCornerEntersAtIt) {
    float a[2] = {}, b[2] = {};
    ASSERT_EQ(clip(-2, 2, 0, 0, a, b), S_OK);
    EXPECT_NEAR(a[0], 0.0f, 1e-3);
    EXPECT_NEAR(a[1], 0.0f, 1e-3);
    EXPECT_NEAR(b[0], 400.0f, 1e-3);
    EXPECT_NEAR(b[1], 300.0f, 1e-3);
}

TEST_F(SegmentClippingTest, BothEndsOutsideAreCutToTheNearerBorders) {
    float a[2] = {}, b[2] = {};
    ASSERT_EQ(clip(0, -3, 0, 3, a, b), S_OK) << "vertical, crossing the whole view";
    EXPECT_NEAR(a[1], 600.0f, 1e-3);
    EXPECT_NEAR(b[1], 0.0f, 1e-3);
    ASSERT_EQ(clip(-3, 0.5f, 3, 0.5f, a, b), S_OK);
    EXPECT_NEAR(a[0], 0.0f, 1e-3);
    EXPECT_NEAR(b[0], 800.0f, 1e-3);
    EXPECT_NEAR(a[1], 150.0f, 1e-3);
}

}  // namespace
}  // namespace pelmora
