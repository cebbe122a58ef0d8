#include "support/TransformArrays.h"
#include "view/ViewportRig.h"

#include <pelmora/host.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace pelmora {
namespace {

using test::FakeSurface;
using test::FakeVertexBuffer;
using test::ViewportRig;

struct PlaneValues {
    double left, right, bottom, top;
};

PlaneValues planeOf(DXViewport& viewport) {
    PlaneValues p{};
    EXPECT_EQ(viewport.getViewportPlane(&p.left, &p.right, &p.bottom, &p.top), S_OK);
    return p;
}

void expectPlane(DXViewport& viewport, PlaneValues expected) {
    const PlaneValues p = planeOf(viewport);
    EXPECT_NEAR(p.left, expected.left, 1e-6);
    EXPECT_NEAR(p.right, expected.right, 1e-6);
    EXPECT_NEAR(p.bottom, expected.bottom, 1e-6);
    EXPECT_NEAR(p.top, expected.top, 1e-6);
}

std::vector<double> cameraValues(DXViewport& viewport) {
    SAFEARRAY* array = nullptr;
    EXPECT_EQ(viewport.getCameraTransform(&array), S_OK);
    test::SafeArrayPtr owned(array);
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    std::vector<double> values(static_cast<double*>(data), static_cast<double*>(data) + 12);
    SafeArrayUnaccessData(array);
    return values;
}

TEST(ViewportTest, NewViewportStartsWithTheDocumentedCameraAndBackground) {
    ViewportRig rig;
    auto viewport = rig.make();
    expectPlane(*viewport, {-1.0, 1.0, -0.75, 0.75});
    double front = 0;
    viewport->getViewportFront(&front);
    EXPECT_EQ(front, 1.0);
    EXPECT_EQ(viewport->getBack(), 1000.0);
    VARIANT_BOOL perspective = VARIANT_TRUE;
    viewport->getViewportPerspective(&perspective);
    EXPECT_EQ(perspective, VARIANT_FALSE);
    int quality = 0;
    viewport->getViewportQuality(&quality);
    EXPECT_EQ(quality, 2);
    EXPECT_EQ(viewport->clearColor(), 0x00132F4Cu);
    EXPECT_EQ(viewport->viewMatrix()._43, -5.0f);
    EXPECT_EQ(cameraValues(*viewport),
              (std::vector<double>{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(viewport->getWidth(), 800.0);
    EXPECT_EQ(viewport->getHeight(), 600.0);
}

TEST(ViewportTest, ConstructionRegistersActivatesAndMakesARenderTargetCache) {
    ViewportRig rig;
    auto viewport = rig.make();
    ASSERT_EQ(rig.host.viewports, std::vector<DXViewport*>{viewport.get()});
    EXPECT_GE(rig.host.defaultStateApplications, 1);
    EXPECT_EQ(rig.device.viewport.Width, 800u);
    EXPECT_EQ(rig.device.viewport.Height, 600u);
    EXPECT_EQ(rig.device.viewport.MaxZ, 1.0f);
    ASSERT_NE(viewport->cachedImage().surface(), nullptr);
    EXPECT_TRUE(viewport->cachedImage().inVideoMemory());
    D3DSURFACE_DESC desc{};
    viewport->cachedImage().surface()->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 800u);
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
    EXPECT_NE(viewport->getDevice(), nullptr);

    viewport.reset();
    EXPECT_TRUE(rig.host.viewports.empty());
}

TEST(ViewportTest, OutOfVideoMemoryCachesInSystemMemory) {
    ViewportRig rig;
    rig.device.renderTargetResult = D3DERR_OUTOFVIDEOMEMORY;
    auto viewport = rig.make(320, 200);
    ASSERT_NE(viewport->cachedImage().surface(), nullptr);
    EXPECT_FALSE(viewport->cachedImage().inVideoMemory());
    D3DSURFACE_DESC desc{};
    viewport->cachedImage().surface()->GetDesc(&desc);
    EXPECT_EQ(desc.Pool, D3DPOOL_SYSTEMMEM);
    EXPECT_EQ(desc.Width, 320u);
}

TEST(ViewportTest, TallAndSquareWindowsKeepTheShortSideAtOne) {
    ViewportRig rig;
    expectPlane(*rig.make(600, 800), {-0.75, 0.75, -1.0, 1.0});
    expectPlane(*rig.make(500, 500), {-1.0, 1.0, -1.0, 1.0});
}

TEST(ViewportTest, SetFrontMovesBackPlaneAndEye) {
    ViewportRig rig;
    auto viewport = rig.make();
    EXPECT_EQ(viewport->setFront(2.0), S_OK);
    EXPECT_EQ(viewport->front(), 2.0f);
    EXPECT_EQ(viewport->getBack(), 10.0);
    EXPECT_EQ(viewport->viewMatrix()._41, 0.0f);
    EXPECT_EQ(viewport->viewMatrix()._42, 0.0f);
    EXPECT_FLOAT_EQ(viewport->viewMatrix()._43, -6.0f);
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
    // A point collapses the plane onto it.
    viewport->setViewportPlane(3, 3, 1, 1);
    expectPlane(*viewport, {3.0, 3.0, 1.0, 1.0});
}

TEST(ViewportTest, ManualRefinementLevelsMapToDeviations) {
    ViewportRig rig;
    auto viewport = rig.make();
    const std::pair<int, float> cases[] = {{0, 1.0f},  {1, 20.0f}, {2, 20.0f}, {4, 15.0f},
                                           {12, 5.0f}, {60, 1.0f}, {-6, -10.0f}};
    viewport->setAutomaticRefinement(VARIANT_FALSE);
    for (const auto& [level, deviation] : cases) {
        EXPECT_EQ(viewport->setManualRefinementLevel(level), S_OK);
        EXPECT_FLOAT_EQ(viewport->refinementDeviation(), deviation) << "level " << level;
        EXPECT_FLOAT_EQ(rig.host.refinementLevel, deviation) << "level " << level;
    }
}

TEST(ViewportTest, SwitchingToManualStartsAtLevelOne) {
    ViewportRig rig;
    auto viewport = rig.make();
    viewport->setManualRefinementLevel(12);
    EXPECT_EQ(viewport->refinementDeviation(), 0.0f) << "automatic mode waits for the render";
    auto fresh = rig.make();
    EXPECT_EQ(fresh->setAutomaticRefinement(VARIANT_FALSE), S_OK);
    EXPECT_TRUE(fresh->manualRefinement());
    EXPECT_EQ(fresh->refinementDeviation(), 20.0f);
}

TEST(ViewportTest, OnlyVariantTrueSelectsPerspective) {
    ViewportRig rig;
    auto viewport = rig.make();
    viewport->setViewportPerspective(1);
    EXPECT_FALSE(viewport->perspective());
    EXPECT_EQ(viewport->projection()._34, 0.0f);
    viewport->setViewportPerspective(VARIANT_TRUE);
    EXPECT_TRUE(viewport->perspective());
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
    EXPECT_EQ(cameraValues(*viewport), moved);

    test::SafeArrayPtr shorter = test::makeDoubleArray({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0});
    raw = shorter.get();
    std::string log;
    log = test::captureOutput([&] {
        EXPECT_EQ(viewport->setCameraTransform(&raw), D3DERR_INVALIDCALL);
    });
    EXPECT_NE(log.find("FAILED HRESULT (0x8876086c)"), std::string::npos) << log;
    EXPECT_EQ(cameraValues(*viewport), moved);
}

TEST(ViewportTest, BackgroundGradientCoversTheClientAreaWithTheTwoColours) {
    ViewportRig rig;
    auto viewport = rig.make();
    IDirect3DVertexBuffer9* buffer = viewport->gradient().buffer();
    ASSERT_NE(buffer, nullptr);
    D3DVERTEXBUFFER_DESC desc{};
    buffer->GetDesc(&desc);
    EXPECT_EQ(desc.Size, 120u);
    EXPECT_EQ(desc.FVF, 0x44u);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(desc.Usage, static_cast<DWORD>(D3DUSAGE_WRITEONLY));
    struct Vertex {
        float x, y, z, rhw;
        uint32_t color;
    } vertices[6];
    std::memcpy(vertices, static_cast<FakeVertexBuffer*>(buffer)->bytes().data(), sizeof vertices);
    EXPECT_EQ(vertices[0].x, 800.0f);
    EXPECT_EQ(vertices[0].y, 0.0f);
    EXPECT_EQ(vertices[0].color, 0xFF132F4Cu) << "opaque, or the alpha test would drop it";
    EXPECT_EQ(vertices[3].x, 0.0f);
    EXPECT_EQ(vertices[3].y, 600.0f);
    EXPECT_EQ(vertices[3].color, 0xFFA0A0A0u);
    for (const Vertex& v : vertices) EXPECT_EQ(v.z, 1.0f);
}

TEST(ViewportTest, GradientFollowsTheWindowsClientSize) {
    ViewportRig rig;
    const int window = PelmoraCreateOffscreenWindow(640, 480);
    auto viewport = rig.make(800, 600, window);
    float x = 0;
    std::memcpy(&x, static_cast<FakeVertexBuffer*>(viewport->gradient().buffer())->bytes().data(),
                sizeof x);
    EXPECT_EQ(x, 640.0f);
    viewport.reset();
    PelmoraDestroyWindow(window);
}

TEST(ViewportTest, EqualBackgroundColoursRemoveTheGradient) {
    ViewportRig rig;
    auto viewport = rig.make();
    EXPECT_EQ(viewport->setViewportBackground(0x40FF8000, 0x40FF8000), S_OK);
    EXPECT_FALSE(viewport->gradient().hasBuffer());
    EXPECT_EQ(viewport->clearColor(), 0x40FF8000u);
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
