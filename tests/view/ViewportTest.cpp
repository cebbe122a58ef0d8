#include "support/TransformArrays.h"
#include "view/ViewportRig.h"

#include <pelmora/host.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>

namespace pelmora {
namespace {

using test::ViewportRig;

void expectPlane(DXViewport& viewport, std::vector<double> expected) {
    std::vector<double> p(4);
    ASSERT_EQ(viewport.getViewportPlane(&p[0], &p[1], &p[2], &p[3]), S_OK);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(p[i], expected[i], 1e-6) << "plane value " << i;
}

std::vector<double> cameraValues(DXViewport& viewport) {
    SAFEARRAY* array = nullptr;
    EXPECT_EQ(viewport.getCameraTransform(&array), S_OK);
    return test::takeDoubleArray(array);
}

TEST(ViewportTest, NewViewportStartsWithTheDocumentedCameraAndBackground) {
    ViewportRig rig;
    auto viewport = rig.make();
    expectPlane(*viewport, {-1.0, 1.0, -0.75, 0.75});
    double front = 0;
    VARIANT_BOOL perspective = VARIANT_TRUE;
    int quality = 0;
    viewport->getViewportFront(&front);
    viewport->getViewportPerspective(&perspective);
    viewport->getViewportQuality(&quality);
    EXPECT_EQ((std::tuple{front, viewport->getBack(), perspective, quality, viewport->clearColor()}),
              (std::tuple{1.0, 1000.0, VARIANT_BOOL(VARIANT_FALSE), 2, 0x00132F4Cu}));
    EXPECT_EQ(viewport->viewMatrix()._43, -5.0f);
    EXPECT_EQ(cameraValues(*viewport), (std::vector<double>{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}));
    // Squarer windows keep the short side at one.
    expectPlane(*rig.make(600, 800), {-0.75, 0.75, -1.0, 1.0});
    expectPlane(*rig.make(500, 500), {-1.0, 1.0, -1.0, 1.0});
}

TEST(ViewportTest, ConstructionRegistersActivatesAndCachesInVideoMemoryWhenItCan) {
    for (HRESULT renderTarget : {HRESULT(D3D_OK), HRESULT(D3DERR_OUTOFVIDEOMEMORY)}) {
        SCOPED_TRACE(renderTarget);
        ViewportRig rig;
        rig.device.renderTargetResult = renderTarget;
        auto viewport = rig.make(320, 200);
        ASSERT_EQ(rig.host.viewports, std::vector<DXViewport*>{viewport.get()});
        EXPECT_EQ((std::pair{rig.device.viewport.Width, rig.device.viewport.MaxZ}), (std::pair{320u, 1.0f}));
        ASSERT_NE(viewport->cachedImage().surface(), nullptr);
        EXPECT_EQ(viewport->cachedImage().inVideoMemory(), renderTarget == D3D_OK);
        D3DSURFACE_DESC desc{};
        viewport->cachedImage().surface()->GetDesc(&desc);
        EXPECT_EQ(desc.Width, 320u);
        viewport.reset();
        EXPECT_TRUE(rig.host.viewports.empty());
    }
}

TEST(ViewportTest, SetFrontMovesBackPlaneAndEye) {
    ViewportRig rig;
    auto viewport = rig.make();
    EXPECT_EQ(viewport->setFront(2.0), S_OK);
    EXPECT_EQ(viewport->getBack(), 10.0);
    EXPECT_EQ((std::pair{viewport->viewMatrix()._41, viewport->viewMatrix()._43}), (std::pair{0.0f, -6.0f}));
    EXPECT_FLOAT_EQ(viewport->projection()._33, 1.0f / (2.0f - 10.0f));
}

TEST(ViewportTest, SetViewportPlaneKeepsTheWindowAspect) {
    ViewportRig rig;
    auto viewport = rig.make();
    EXPECT_EQ(viewport->setViewportPlane(0, 10, 0, 2), S_OK);
    expectPlane(*viewport, {0.0, 10.0, -2.75, 4.75});
    EXPECT_FLOAT_EQ(viewport->projection()._11, 2.0f / 10.0f);
    double field = 0;
    viewport->getViewportField(&field);
    EXPECT_NEAR(field, std::atan(5.0), 1e-6);
    viewport->setViewportPlane(3, 3, 1, 1);  // a point collapses the plane onto it
    expectPlane(*viewport, {3.0, 3.0, 1.0, 1.0});
}

TEST(ViewportTest, ManualRefinementLevelsMapToDeviations) {
    ViewportRig rig;
    auto automatic = rig.make();
    // Known from creation, as a render would choose it, and kept up with the plane.
    EXPECT_EQ(automatic->refinementDeviation(), 4.0f);
    automatic->setManualRefinementLevel(12);
    EXPECT_EQ(automatic->refinementDeviation(), 4.0f) << "a manual level waits for manual mode";
    automatic->setViewportPlane(-100, 100, -75, 75);
    EXPECT_EQ(automatic->refinementDeviation(), 120.0f);
    auto viewport = rig.make();
    EXPECT_EQ(viewport->setAutomaticRefinement(VARIANT_FALSE), S_OK);
    EXPECT_EQ(viewport->refinementDeviation(), 20.0f) << "switching to manual starts at level 1";
    const std::pair<int, float> cases[] = {{0, 1.0f},  {1, 20.0f}, {2, 20.0f}, {4, 15.0f},
                                           {12, 5.0f}, {60, 1.0f}, {-6, -10.0f}};
    for (const auto& [level, deviation] : cases) {
        EXPECT_EQ(viewport->setManualRefinementLevel(level), S_OK);
        EXPECT_FLOAT_EQ(viewport->refinementDeviation(), deviation) << "level " << level;
        EXPECT_FLOAT_EQ(rig.host.refinementLevel, deviation) << "level " << level;
    }
}

TEST(ViewportTest, OnlyVariantTrueSelectsPerspective) {
    ViewportRig rig;
    auto viewport = rig.make();
    viewport->setViewportPerspective(1);
    EXPECT_EQ(viewport->projection()._34, 0.0f);
    viewport->setViewportPerspective(VARIANT_TRUE);
    EXPECT_EQ(viewport->projection()._34, -1.0f);
    EXPECT_FLOAT_EQ(viewport->projection()._43, 1000.0f / (1.0f - 1000.0f));
}

TEST(ViewportTest, CameraTransformNeedsTwelveValues) {
    ViewportRig rig;
    auto viewport = rig.make();
    const std::vector<double> moved{1, 0, 0, 0, 1, 0, 0, 0, 1, 7, 8, 9};
    test::SafeArrayPtr good = test::makeDoubleArray(moved);
    SAFEARRAY* raw = good.get();
    ASSERT_EQ(viewport->setCameraTransform(&raw), S_OK);
    test::SafeArrayPtr shorter = test::makeDoubleArray({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0});
    raw = shorter.get();
    const std::string log = test::captureOutput(
        [&] { EXPECT_EQ(viewport->setCameraTransform(&raw), D3DERR_INVALIDCALL); });
    EXPECT_NE(log.find("FAILED HRESULT (0x8876086c)"), std::string::npos) << log;
    EXPECT_EQ(cameraValues(*viewport), moved);
}

TEST(ViewportTest, GradientFollowsTheWindowsClientSizeAndEqualColoursRemoveIt) {
    ViewportRig rig;
    const int window = PelmoraCreateOffscreenWindow(640, 480);
    auto viewport = rig.make(800, 600, window);
    ASSERT_TRUE(viewport->gradient().hasBuffer());
    // The first vertex (x, y, z, rhw, colour) is the top-right corner.
    const auto& bytes = static_cast<test::FakeVertexBuffer*>(viewport->gradient().buffer())->bytes;
    float x = 0;
    uint32_t colour = 0;
    std::memcpy(&x, bytes.data(), sizeof x);
    std::memcpy(&colour, bytes.data() + 16, sizeof colour);
    EXPECT_EQ(x, 640.0f);
    EXPECT_EQ(colour, 0xFF132F4Cu) << "opaque, or the alpha test would drop it";
    EXPECT_EQ(viewport->setViewportBackground(0x40FF8000, 0x40FF8000), S_OK);
    EXPECT_EQ((std::pair{viewport->gradient().hasBuffer(), viewport->clearColor()}), (std::pair{false, 0x40FF8000u}));
    viewport.reset();
    PelmoraDestroyWindow(window);
}

TEST(ViewportTest, DetachedViewportRefusesEverythingAndStillDestroys) {
    ViewportRig rig;
    auto viewport = rig.make();
    viewport->detachContext();
    EXPECT_EQ(viewport->cachedImage().surface(), nullptr);
    const std::string log = test::captureOutput([&] {
        EXPECT_EQ(viewport->setFront(2.0), E_FAIL);
        EXPECT_EQ(viewport->clearViewport(), E_FAIL);
    });
    EXPECT_NE(log.find("context of viewport"), std::string::npos) << log;
    EXPECT_EQ(viewport->getDevice(), nullptr);
    viewport.reset();  // must not reach the context
    EXPECT_EQ(rig.host.viewports.size(), 1u);
}

}  // namespace
}  // namespace pelmora
