#include "host/LightRecords.h"
#include "scene/DXFrame.h"
#include "support/TestVisual.h"
#include "view/FrameRateFont.h"
#include "view/Profiling.h"
#include "view/RefinementDeviation.h"
#include "view/ViewportRig.h"

#include <pelmora/exception.h>
#include <pelmora/host.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace pelmora {
namespace {

using test::captureOutput;
using test::ViewportRig;
using Calls = std::vector<std::string>;

// A root that breaks with a translated fault, as a corrupt tree would.
class FaultyFrame : public DXFrame {
public:
    HRESULT render(IDirect3DDevice9*, RenderContext*, const D3DMATRIX*, D3DMATERIAL9*,
                   RenderAttributes) override {
        throw TorvelStructuredException(0x4242, 0xC0000094u);
    }
};

// A root that notes each walk: whether it was the translucent one, and
// whether depth writes were on when it began.
class WalkRecordingFrame : public DXFrame {
public:
    HRESULT render(IDirect3DDevice9* device, RenderContext* viewport, const D3DMATRIX* world,
                   D3DMATERIAL9* material, RenderAttributes attributes) override {
        DWORD depthWrites = 0;
        device->GetRenderState(D3DRS_ZWRITEENABLE, &depthWrites);
        walks.push_back({viewport->translucentPass(), depthWrites});
        return DXFrame::render(device, viewport, world, material, attributes);
    }
    std::vector<std::pair<bool, DWORD>> walks;  // translucent, depth writes
};

class RenderPassTest : public testing::Test {
protected:
    void SetUp() override {
        root.addVisual(&visual);
        rig.device.clearCalls();
    }
    HRESULT renderOnce(VARIANT_BOOL preserveDepth = VARIANT_FALSE) {
        return viewport->render(&root, VARIANT_FALSE, preserveDepth);
    }
    long depthWritesSetOn() const {
        const Calls states = rig.calls({"SetRenderState"});
        return std::count(states.begin(), states.end(), "SetRenderState(ZWRITEENABLE, 1)");
    }

    ViewportRig rig;
    std::unique_ptr<DXViewport> viewport = rig.make();
    WalkRecordingFrame root;
    test::TestVisual visual;
};

TEST_F(RenderPassTest, RenderChoosesTheDeviationFromTheZoomUnlessManual) {
    const std::pair<std::array<double, 4>, float> planes[] = {
        {{-1, 1, -0.75, 0.75}, 4.0f}, {{-100, 100, -75, 75}, 120.0f}, {{-0.01, 0.01, -0.01, 0.01}, 0.5f}};
    for (const auto& [p, deviation] : planes) {
        viewport->setViewportPlane(p[0], p[1], p[2], p[3]);
        EXPECT_EQ(renderOnce(), S_OK);
        EXPECT_EQ(viewport->refinementDeviation(), deviation) << p[1];
    }
    viewport->setAutomaticRefinement(VARIANT_FALSE);
    viewport->setManualRefinementLevel(4);
    renderOnce();
    EXPECT_EQ(viewport->refinementDeviation(), 15.0f);
    // A degenerate plane measures 2; a perspective angle past a right angle is the widest view.
    EXPECT_EQ(automaticRefinementDeviation({0, 0, 0, 0}, 1.0f, false, 5.0f), 4.0f);
    EXPECT_EQ(automaticRefinementDeviation({-1, 1, -0.75f, 0.75f}, 1.0f, true, 2.5f), 120.0f);
}

// Zooming out must never ask a host for finer facets than the step before:
// in perspective the measured angle grows three times as fast as the plane's
// and once crossed a right angle, where its tangent turned negative.
TEST_F(RenderPassTest, ZoomingOutInPerspectiveNeverAsksForAFinerDeviation) {
    for (double front : {1.0, 0.01, 250.0}) {
        viewport->setFront(front);
        viewport->setViewportPerspective(VARIANT_TRUE);
        float previous = 0.0f;
        for (double half = 0.001 * front; half < 1000.0 * front; half *= 1.25) {
            viewport->setViewportPlane(-half, half, -half, half);
            ASSERT_EQ(renderOnce(), S_OK);
            const float deviation = viewport->refinementDeviation();
            EXPECT_GE(deviation, previous) << "front " << front << ", half plane " << half;
            previous = deviation;
        }
        EXPECT_EQ(previous, 120.0f) << "the widest view gets the coarsest step";
    }
}

TEST_F(RenderPassTest, ClearedRenderDrawsGradientThenStatesAndTwoWalks) {
    ASSERT_EQ(viewport->clearViewport(), S_OK);
    ASSERT_EQ(renderOnce(), S_OK);
    EXPECT_EQ(rig.calls({"Clear", "BeginScene", "SetStreamSource", "SetFVF", "DrawPrimitive",
                         "Render", "EndScene"}),
              (Calls{"Clear(0, null, 3, 1257292, 1, 0)", "BeginScene()",
                     "SetStreamSource(0, out, 0, 20)", "SetFVF(68)", "DrawPrimitive(4, 0, 2)",
                     "Render(visual)", "EndScene()"}))
        << "opaque visuals draw in the first walk only";
    EXPECT_EQ(rig.count("SetMaterial"), 1u);
    EXPECT_EQ(root.walks, (std::vector<std::pair<bool, DWORD>>{{false, 1}, {true, 0}}));
    EXPECT_FALSE(viewport->cleared());
    EXPECT_EQ(rig.device.renderState(D3DRS_LOCALVIEWER), 1u);
    EXPECT_EQ(rig.device.renderState(D3DRS_SHADEMODE), DWORD(D3DSHADE_GOURAUD));

    rig.device.clearCalls();  // the clear is used up: no gradient the next time
    viewport->setViewportQuality(1);
    renderOnce();
    EXPECT_EQ(rig.count("DrawPrimitive"), 0u);
    EXPECT_EQ(root.walks.size(), 4u);
    EXPECT_EQ(rig.device.renderState(D3DRS_SHADEMODE), DWORD(D3DSHADE_FLAT));
}

TEST_F(RenderPassTest, PreserveDepthKeepsDepthWritesOffAndBiasesByTheRawOne) {
    renderOnce(VARIANT_TRUE);
    EXPECT_EQ(root.walks.at(0).second, 0u);
    EXPECT_EQ(depthWritesSetOn(), 0);
    EXPECT_EQ(rig.device.renderState(D3DRS_DEPTHBIAS), 1u);
    rig.device.clearCalls();
    renderOnce(VARIANT_FALSE);
    EXPECT_EQ(depthWritesSetOn(), 1);
    EXPECT_EQ(rig.device.renderState(D3DRS_DEPTHBIAS), 0u);
}

TEST(RenderPassCapsTest, SlopeScaledBiasWhenThatIsAllTheDeviceHas) {
    ViewportRig rig;
    rig.device.caps.RasterCaps = D3DPRASTERCAPS_SLOPESCALEDEPTHBIAS;
    auto viewport = rig.make();
    DXFrame root;
    viewport->render(&root, VARIANT_FALSE, VARIANT_TRUE);
    EXPECT_EQ(rig.device.renderState(D3DRS_SLOPESCALEDEPTHBIAS), 1u);
    const Calls states = rig.calls({"SetRenderState"});
    EXPECT_EQ(std::count(states.begin(), states.end(), "SetRenderState(195, 1)"), 0)
        << "no plain depth bias";
}

TEST_F(RenderPassTest, LastLightInTheListIsInEffect) {
    viewport->addLight(0, directionalLightRecord(-1, 0, 0, -1));
    viewport->addLight(0, pointLightRecord(0xFF0000, 1, 2, 3, 100));
    renderOnce();
    EXPECT_EQ(rig.count("SetLight"), 2u);
    EXPECT_EQ(rig.calls({"LightEnable"}), (Calls{"LightEnable(0, 1)", "LightEnable(0, 1)"}));
    EXPECT_EQ(rig.device.lights[0].Type, D3DLIGHT_POINT);
    viewport->viewportRemoveLight(5);
    EXPECT_EQ(viewport->lights().count(), 2);
    viewport->viewportRemoveLight(0);
    EXPECT_EQ(viewport->lights().count(), 0);
}

TEST_F(RenderPassTest, LightsStayWithTheViewerAsTheCameraMoves) {
    viewport->addLight(0, spotLightRecord(-1, {1, 2, 3}, {0, 0, -1}, {100, 1, 1, 0, 0, 0.5f, 1}));
    // Rotate the scene a quarter turn about z through the origin.
    viewport->rotateCamera(0, 0, 0, 0, 0, 1, 3.14159265358979 / 2);
    renderOnce();
    const D3DLIGHT9& set = rig.device.lights[0];
    const float got[] = {set.Position.x, set.Position.y, set.Position.z, set.Direction.z}, want[] = {2, -1, 3, -1};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], want[i], 1e-5) << i;
    EXPECT_EQ(viewport->lights().entries()[0].light.Position.x, 1.0f) << "the list is unchanged";
}

TEST_F(RenderPassTest, AmbientLightSetsTheStateAndTheMaterial) {
    viewport->viewportAddAmbientLight(0x00404040);
    renderOnce();
    EXPECT_EQ(rig.device.renderState(D3DRS_AMBIENT), 0x00404040u);
    const D3DMATERIAL9& material = rig.device.materialsSet().front();
    EXPECT_NEAR(material.Ambient.r, 0.25098f, 1e-5);
    EXPECT_EQ(material.Ambient.a, 0.0f);
}

TEST_F(RenderPassTest, FaultInTheWalkIsReportedAndTheSceneStillEnds) {
    FaultyFrame faulty;
    HRESULT status = S_OK;
    const std::string log = captureOutput(
        [&] { status = viewport->render(&faulty, VARIANT_FALSE, VARIANT_FALSE); });
    EXPECT_EQ(status, HRESULT(0xC0000094u));
    EXPECT_NE(log.find("Caught SE in Pelmora: 0xc0000094"), std::string::npos) << log;
    EXPECT_NE(log.find("file = DXViewport.cpp"), std::string::npos) << log;
    EXPECT_EQ(rig.count("EndScene"), 1u);
    EXPECT_FALSE(viewport->cleared());
}

TEST_F(RenderPassTest, FailedBeginSceneDrawsNothing) {
    rig.device.beginSceneResult = D3DERR_DEVICELOST;
    EXPECT_EQ(renderOnce(), S_OK);
    EXPECT_TRUE(root.walks.empty());
    EXPECT_EQ(rig.count("EndScene"), 1u);
}

// ---- Frame-rate text ----

struct WrittenLine {
    std::string text;
    D3DCOLOR color;
    RECT area;
};
std::vector<WrittenLine> gWrittenLines;

class RecordingFont : public FrameRateFont {
public:
    HRESULT drawText(const char* text, const RECT& area, DWORD, D3DCOLOR color) override {
        gWrittenLines.push_back(WrittenLine{text, color, area});
        return S_OK;
    }
    void onLostDevice() override {}
};

class FrameRateTest : public testing::Test {
protected:
    void SetUp() override {
        gWrittenLines.clear();
        previous = setFrameRateFontFactory(
            [](IDirect3DDevice9*) -> std::unique_ptr<FrameRateFont> { return std::make_unique<RecordingFont>(); });
        writeProfilingSwitch("Yes");
    }
    void TearDown() override {
        setFrameRateFontFactory(previous);
        writeProfilingSwitch(nullptr);
        profilingEnabled = false;
    }
    // Null removes the value, leaving the switch off for later tests.
    static void writeProfilingSwitch(const char* value) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Torvel, Inc.\\Torvel Design\\Profiling",
                                  0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        if (value != nullptr)
            RegSetValueExA(key, "Enabled", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           DWORD(std::strlen(value) + 1));
        else
            RegDeleteValueA(key, "Enabled");
        RegCloseKey(key);
    }

    FrameRateFontFactory previous = nullptr;
    ViewportRig rig;
    DXFrame root;
};

TEST_F(FrameRateTest, ProfiledViewportWritesTheLineAfterAClearOnly) {
    auto viewport = rig.make();
    ASSERT_TRUE(profilingEnabled);
    drawnVertexCount = 36;
    viewport->clearViewport();
    viewport->render(&root, VARIANT_FALSE, VARIANT_FALSE);
    ASSERT_EQ(gWrittenLines.size(), 1u);
    EXPECT_EQ(gWrittenLines[0].text, "FPS: 0.000000, 36 vertices");
    EXPECT_EQ(gWrittenLines[0].color, 0xFFECD0B3u);
    EXPECT_EQ(gWrittenLines[0].area.right, 800);
    EXPECT_EQ(drawnVertexCount, 0);
    viewport->render(&root, VARIANT_FALSE, VARIANT_FALSE);
    EXPECT_EQ(gWrittenLines.size(), 1u);
}

}  // namespace
}  // namespace pelmora
