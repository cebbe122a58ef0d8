#include "view/ViewportRig.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

constexpr double kPi = 3.14159265358979;

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
    std::vector<double> unproject(double x, double y, double z, double w = 1.0) {
        std::vector<double> p(3);
        EXPECT_EQ(viewport->inverseViewportTransform(x, y, z, w, &p[0], &p[1], &p[2]), S_OK);
        return p;
    }

    test::ViewportRig rig;
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
    // Back from the screen centre to the front plane, whatever w says.
    const std::vector<double> p = unproject(400, 300, 0);
    EXPECT_NEAR(p[0], 0.0, 1e-5);
    EXPECT_NEAR(p[2], 4.0, 1e-4);
    EXPECT_EQ(unproject(400, 300, 0, -17.0), p);
}

TEST_F(ScreenTransformsTest, ProjectionAndInverseRoundTripUnderPerspective) {
    viewport->setViewportPerspective(VARIANT_TRUE);
    viewport->rotateCamera(0, 0, 0, 1, 1, 0, 0.3);
    const Screen s = project(0.3, -0.2, 0.5);
    const std::vector<double> back = unproject(s.x, s.y, s.z);
    EXPECT_NEAR(back[0], 0.3, 1e-3);
    EXPECT_NEAR(back[1], -0.2, 1e-3);
    EXPECT_NEAR(back[2], 0.5, 1e-3);
}

TEST_F(ScreenTransformsTest, SelectionRayAndCameraPosition) {
    double o[3], d[3];
    ASSERT_EQ(viewport->getSelectionRay(400, 300, &o[0], &o[1], &o[2], &d[0], &d[1], &d[2]), S_OK);
    EXPECT_NEAR(o[0], 0.0, 1e-4);
    EXPECT_NEAR(o[2], -995.0, 1e-2);
    EXPECT_NEAR(d[0], 0.0, 1e-4);
    EXPECT_NEAR(d[2], -999.0, 1e-2);
    double x = 1, y = 1, z = 1;
    viewport->getCameraPosition(&x, &y, &z);
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(y, 0.0);
    EXPECT_EQ(z, -5.0);
    viewport->rotateCamera(0, 0, 0, 0, 1, 0, kPi);
    viewport->getCameraPosition(&x, &y, &z);
    EXPECT_NEAR(z, 5.0, 1e-5);
}

TEST_F(ScreenTransformsTest, RotateCameraTurnsTheSceneAboutAWorldAxis) {
    const Screen before = project(0, 0, 0);
    viewport->rotateCamera(1, 0, 0, 0, 0, 1, kPi);
    const Screen after = project(2, 0, 0);
    EXPECT_NEAR(after.x, before.x, 1e-3);
    EXPECT_NEAR(after.y, before.y, 1e-3);
    EXPECT_NEAR(after.z, before.z, 1e-6);
}

// World x maps straight to NDC x on the new viewport, world y to NDC y x 0.75.
TEST_F(ScreenTransformsTest, SegmentsAreClippedToTheView) {
    struct Case {
        float ax, ay, bx, by;
        HRESULT status;
        float a[2], b[2];
    };
    const Case cases[] = {
        {-2, 0, 0, 0, S_OK, {0, 300}, {400, 300}},                       // cut at the left edge
        {-2, 2, 0, 0, S_OK, {0, 0}, {400, 300}},                         // enters at the corner
        {0, -3, 0, 3, S_OK, {400, 600}, {400, 0}},                       // both ends outside
        {-3, 0.5f, 3, 0.5f, S_OK, {0, 150}, {800, 150}},
        {-2, 0, -1.5f, 0.5f, kSegmentInvisible, {-7, -7}, {-7, -7}},     // outputs untouched
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "(" << c.ax << ", " << c.ay << ") to (" << c.bx << ", " << c.by << ")");
        const float worldA[3] = {c.ax, c.ay * 0.75f, 0}, worldB[3] = {c.bx, c.by * 0.75f, 0};
        float a[2] = {-7, -7}, b[2] = {-7, -7};
        ASSERT_EQ(viewport->clipSegment(worldA, worldB, a, b), c.status);
        for (int i = 0; i < 2; ++i) {
            EXPECT_NEAR(a[i], c.a[i], 1e-3);
            EXPECT_NEAR(b[i], c.b[i], 1e-3);
        }
    }
}

}  // namespace
}  // namespace pelmora
