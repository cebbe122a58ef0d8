#include "scene/DXFrame.h"
#include "scene/FrameMatrix.h"
#include "scene/RenderPass.h"
#include "support/RecordingDevice.h"
#include "support/TestViewport.h"
#include "support/TestVisual.h"
#include "support/TransformArrays.h"

#include <pelmora/exception.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <regex>
#include <string>
#include <vector>

namespace pelmora {
namespace {

using test::makeDoubleArray;
using test::RecordingDevice;
using test::SafeArrayPtr;
using test::TestViewport;
using test::TestVisual;
using test::translationValues;
using Calls = std::vector<std::string>;

constexpr int kHalfRed = static_cast<int>(0x80FF0000u);
const char* const kIdentityWorld = "SetTransform(WORLD, [1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1])";

template <class T>
bool sameBytes(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

void setTransform(DXFrame& frame, const std::vector<double>& values) {
    SafeArrayPtr array = makeDoubleArray(values);
    SAFEARRAY* raw = array.get();
    ASSERT_EQ(frame.addTransform(0, &raw), S_OK);
}

// A frame whose walk breaks with a translated fault, as a corrupt node would.
class FaultyFrame : public DXFrame {
public:
    HRESULT render(IDirect3DDevice9*, SceneViewport*, const D3DMATRIX*, D3DMATERIAL9*,
                   RenderAttributes) override {
        throw TorvelStructuredException(0x4242, 0xC0000094u);
    }
};

class FrameWalkTest : public testing::Test {
protected:
    void SetUp() override {
        translucentPass = false;
        callerMaterial.Diffuse = {1, 1, 1, 1};
        callerMaterial.Ambient = {0.25f, 0.25f, 0.25f, 1};
    }
    void TearDown() override { translucentPass = false; }

    // One walk as the render pass makes it: a fresh copy of the caller's material.
    HRESULT walk(DXFrame& root, bool translucent) {
        translucentPass = translucent;
        material = callerMaterial;
        const HRESULT status =
            root.render(&device, &viewport, &parentWorld, &material, rootAttributes);
        translucentPass = false;
        return status;
    }

    // Both walks; how many times the visual drew in each.
    std::pair<size_t, size_t> drawsPerPass(DXFrame& root, const TestVisual& visual) {
        const size_t before = visual.draws().size();
        EXPECT_EQ(walk(root, false), S_OK);
        const size_t opaque = visual.draws().size() - before;
        EXPECT_EQ(walk(root, true), S_OK);
        return {opaque, visual.draws().size() - before - opaque};
    }

    RecordingDevice device;
    TestViewport viewport;
    D3DMATERIAL9 callerMaterial{};
    D3DMATERIAL9 material{};
    D3DMATRIX parentWorld = identityMatrix();
    RenderAttributes rootAttributes;
};

// ---- what the walk does to the device ----

TEST_F(FrameWalkTest, AnEmptyOrHiddenFrameTouchesNothing) {
    DXFrame empty;
    EXPECT_EQ(walk(empty, false), S_OK);

    DXFrame hidden;
    TestVisual visual;
    hidden.addVisual(&visual);
    hidden.setColor(kHalfRed);
    hidden.setVisible(VARIANT_FALSE);
    EXPECT_EQ(walk(hidden, true), S_OK);
    EXPECT_TRUE(device.calls().empty());
    EXPECT_TRUE(visual.draws().empty());
}

TEST_F(FrameWalkTest, AColouredTranslucentDepthOffFramePushesAndPopsAroundItsVisuals) {
    DXFrame frame;
    TestVisual visual("v");
    frame.addVisual(&visual);
    frame.setColor(kHalfRed);
    frame.setReflectivity(2.0f);
    frame.setZBufferMode(1);

    ASSERT_EQ(walk(frame, true), S_OK);
    const Calls pushed = {
        kIdentityWorld,
        "SetMaterial(diffuse(1,0,0,0.501961) specular(1,1,1,1) power 418.203)",
        "GetRenderState(ZENABLE, out)",
        "SetRenderState(ZENABLE, 0)",
    };
    const Calls popped = {
        "SetMaterial(diffuse(1,1,1,1) specular(0,0,0,0) power 0)",
        "SetRenderState(ZENABLE, 1)",
    };
    Calls expected = pushed;
    expected.push_back("Render(v)");
    expected.insert(expected.end(), popped.begin(), popped.end());
    EXPECT_EQ(device.callTexts(), expected);
    EXPECT_TRUE(sameBytes(material, callerMaterial));
    EXPECT_EQ(device.renderState(D3DRS_ZENABLE), static_cast<DWORD>(D3DZB_TRUE));

    // In the opaque pass the same state goes on and off, and nothing draws.
    device.clearCalls();
    ASSERT_EQ(walk(frame, false), S_OK);
    expected = pushed;
    expected.insert(expected.end(), popped.begin(), popped.end());
    EXPECT_EQ(device.callTexts(), expected);
}

TEST_F(FrameWalkTest, ZBufferModeLeavesAnAlreadyDisabledDepthTestOffAndRestoresIt) {
    DXFrame frame;
    TestVisual visual("v");
    frame.addVisual(&visual);
    frame.setZBufferMode(1);
    device.presetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);

    ASSERT_EQ(walk(frame, false), S_OK);
    EXPECT_EQ(device.callTexts(), (Calls{kIdentityWorld, "GetRenderState(ZENABLE, out)",
                                         "Render(v)", "SetRenderState(ZENABLE, 0)"}));
}

TEST_F(FrameWalkTest, DepthAndColourWritesSwitchedOffForTheSubtreeOnly) {
    DXFrame root;
    DXFrame frame;
    TestVisual inside("inside");
    TestVisual after("after");
    root.addChild(&frame);
    root.addVisual(&after);
    frame.addVisual(&inside);
    frame.setWriteZValues(VARIANT_FALSE);
    frame.setWriteColorValues(VARIANT_FALSE);

    ASSERT_EQ(walk(root, false), S_OK);
    EXPECT_EQ(device.callTexts(), (Calls{
                                      kIdentityWorld,
                                      "GetRenderState(ZENABLE, out)",
                                      "Render(after)",
                                      kIdentityWorld,
                                      "GetRenderState(ZENABLE, out)",
                                      "GetRenderState(ZWRITEENABLE, out)",
                                      "SetRenderState(ZWRITEENABLE, 0)",
                                      "GetRenderState(COLORWRITEENABLE, out)",
                                      "SetRenderState(COLORWRITEENABLE, 0)",
                                      "Render(inside)",
                                      "SetRenderState(ZWRITEENABLE, 1)",
                                      "SetRenderState(COLORWRITEENABLE, 15)",
                                  }));
}

TEST_F(FrameWalkTest, WritesSwitchedBackOnInheritWithoutTouchingTheDevice) {
    DXFrame frame;
    TestVisual visual("v");
    frame.addVisual(&visual);
    frame.setWriteZValues(VARIANT_FALSE);
    frame.setWriteZValues(VARIANT_TRUE);
    frame.setWriteColorValues(1);
    device.presetRenderState(D3DRS_ZWRITEENABLE, 0);  // as the translucent pass leaves it

    ASSERT_EQ(walk(frame, false), S_OK);
    EXPECT_EQ(device.callTexts(),
              (Calls{kIdentityWorld, "GetRenderState(ZENABLE, out)", "Render(v)"}));
}

TEST_F(FrameWalkTest, AFrameWithoutVisualsSetsNoWorldButStillWalksItsChildren) {
    DXFrame root;
    DXFrame child;
    TestVisual visual("v");
    root.addChild(&child);
    child.addVisual(&visual);
    setTransform(root, translationValues(1, 2, 3));

    ASSERT_EQ(walk(root, false), S_OK);
    EXPECT_EQ(device.callTexts({"SetTransform", "Render"}),
              (Calls{"SetTransform(WORLD, [1 0 0 0 0 1 0 0 0 0 1 0 1 2 3 1])", "Render(v)"}));
}

// ---- a walk that breaks still leaves the device as it found it ----

TEST_F(FrameWalkTest, AnExceptionEndingTheWalkStillPopsEveryPushedState) {
    DXFrame frame;
    TestVisual broken("broken");
    TestVisual later("later");
    frame.addVisual(&broken);
    frame.addVisual(&later);
    frame.setColor(static_cast<int>(0xFF00FF00u));
    frame.setZBufferMode(1);
    frame.setWriteZValues(VARIANT_FALSE);
    broken.throwOnRender(TestVisual::Fault::Other);

    testing::internal::CaptureStdout();
    EXPECT_EQ(walk(frame, false), S_FALSE);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Unknown exception found in Pelmora: file = DXFrame.cpp"), std::string::npos)
        << log;

    EXPECT_TRUE(later.draws().empty());
    const Calls calls = device.callTexts();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(Calls(calls.end() - 3, calls.end()),
              (Calls{"SetMaterial(diffuse(1,1,1,1) specular(0,0,0,0) power 0)",
                     "SetRenderState(ZENABLE, 1)", "SetRenderState(ZWRITEENABLE, 1)"}));
    EXPECT_TRUE(sameBytes(material, callerMaterial));
    EXPECT_EQ(device.renderState(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(device.renderState(D3DRS_ZWRITEENABLE), 1u);
}

TEST_F(FrameWalkTest, AFaultInOneVisualIsLoggedAndTheOthersStillDraw) {
    DXFrame frame;
    TestVisual broken("broken");
    TestVisual later("later");
    frame.addVisual(&broken);
    frame.addVisual(&later);
    broken.throwOnRender(TestVisual::Fault::Structured);

    testing::internal::CaptureStdout();
    EXPECT_EQ(walk(frame, false), S_OK);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(std::regex_match(
        log, std::regex("Corrupt scene graph - Caught SE while rendering visual in Pelmora: "
                        "c0000005 at address 0xbad0; file = DXFrame\\.cpp; line number = "
                        "[0-9]+\n")))
        << log;
    EXPECT_EQ(later.draws().size(), 1u);
}

TEST_F(FrameWalkTest, AFaultInOneChildFrameIsLoggedAndTheNextChildIsWalked) {
    DXFrame root;
    FaultyFrame faulty;
    DXFrame healthy;
    TestVisual visual;
    root.addChild(&faulty);
    root.addChild(&healthy);
    healthy.addVisual(&visual);

    testing::internal::CaptureStdout();
    EXPECT_EQ(walk(root, false), S_OK);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(std::regex_match(
        log, std::regex("Corrupt scene graph - Caught SE while rendering child frame in "
                        "Pelmora: c0000094 at address 0x4242; file = DXFrame\\.cpp; line "
                        "number = [0-9]+\n")))
        << log;
    EXPECT_EQ(visual.draws().size(), 1u);
}

TEST_F(FrameWalkTest, AFailedWorldMatrixDrawsNothingButStillPopsState) {
    DXFrame frame;
    DXFrame child;
    TestVisual visual("v");
    TestVisual inChild("c");
    frame.addVisual(&visual);
    frame.addChild(&child);
    child.addVisual(&inChild);
    frame.setColor(kHalfRed);
    viewport.worldFault = TestViewport::WorldFault::Status;

    EXPECT_EQ(walk(frame, true), E_FAIL);
    EXPECT_TRUE(visual.draws().empty());
    EXPECT_TRUE(inChild.draws().empty());
    EXPECT_EQ(device.callTexts({"SetMaterial"}).size(), 2u);
    EXPECT_TRUE(sameBytes(material, callerMaterial));
}

TEST_F(FrameWalkTest, AnExceptionSettingTheWorldMatrixIsLoggedAndTheWalkGoesOn) {
    for (auto fault : {TestViewport::WorldFault::Structured, TestViewport::WorldFault::Other}) {
        DXFrame frame;
        TestVisual visual;
        frame.addVisual(&visual);
        viewport.worldFault = fault;
        testing::internal::CaptureStdout();
        EXPECT_EQ(walk(frame, false), S_OK);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed to set world matrix\n");
        EXPECT_EQ(visual.draws().size(), 1u);
    }
}

// ---- which pass a frame's visuals draw in ----

TEST_F(FrameWalkTest, NearlyOpaqueColoursDrawOpaqueWithFullAlpha) {
    DXFrame frame;
    TestVisual visual;
    frame.addVisual(&visual);
    frame.setColor(static_cast<int>(0xF2FFFFFFu));  // alpha 242/255, about 0.95
    EXPECT_EQ(drawsPerPass(frame, visual), std::make_pair(size_t{1}, size_t{0}));
    EXPECT_EQ(visual.draws()[0].material.Diffuse.a, 1.0f);
}

TEST_F(FrameWalkTest, HalfTransparentColoursDrawOnlyInTheTranslucentPass) {
    DXFrame frame;
    TestVisual visual;
    frame.addVisual(&visual);
    frame.setColor(kHalfRed);
    EXPECT_EQ(drawsPerPass(frame, visual), std::make_pair(size_t{0}, size_t{1}));
    EXPECT_FLOAT_EQ(visual.draws()[0].material.Diffuse.a, 128.0f / 255.0f);
    EXPECT_TRUE(visual.draws()[0].translucentPass);
}

TEST_F(FrameWalkTest, FullyTransparentFramesDrawNothingButTheirChildrenAreWalked) {
    DXFrame clear;
    DXFrame child;
    TestVisual own;
    TestVisual childVisual;
    clear.addVisual(&own);
    clear.addChild(&child);
    child.addVisual(&childVisual);
    clear.setColor(0x00FFFFFF);
    child.setColor(static_cast<int>(0xFF0000FFu));

    EXPECT_EQ(drawsPerPass(clear, own), std::make_pair(size_t{0}, size_t{0}));
    EXPECT_EQ(childVisual.draws().size(), 1u);
    EXPECT_FALSE(childVisual.draws()[0].translucentPass);
}

TEST_F(FrameWalkTest, UncolouredFramesGoWithTheInheritedMaterialUnsnapped) {
    DXFrame frame;
    TestVisual visual;
    frame.addVisual(&visual);
    callerMaterial.Diffuse.a = 0.95f;
    EXPECT_EQ(drawsPerPass(frame, visual), std::make_pair(size_t{0}, size_t{1}));

    DXFrame parent;
    DXFrame child;
    TestVisual inChild;
    parent.addChild(&child);
    child.addVisual(&inChild);
    parent.setColor(kHalfRed);
    callerMaterial.Diffuse.a = 1.0f;
    EXPECT_EQ(drawsPerPass(parent, inChild), std::make_pair(size_t{0}, size_t{1}));
    EXPECT_FLOAT_EQ(inChild.draws()[0].material.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(inChild.draws()[0].material.Diffuse.g, 0.0f);
}

// ---- material from colour and reflectivity ----

TEST_F(FrameWalkTest, ReflectivityBecomesTheSpecularPower) {
    const struct {
        float reflectivity;
        float power;
        float specular;
    } cases[] = {
        {0.5f, 0.0f, 0.0f},
        {1.5f, 20.45f * 20.45f, 1.0f},
        {2.0f, 20.45f * 20.45f, 1.0f},
        {50.0f, 10.45f * 10.45f, 1.0f},
        {100.0f, 0.2025f, 1.0f},
        {250.0f, 0.2025f, 1.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reflectivity);
        DXFrame frame;
        TestVisual visual;
        frame.addVisual(&visual);
        ASSERT_EQ(frame.setReflectivity(c.reflectivity), S_OK);
        ASSERT_EQ(walk(frame, false), S_OK);
        ASSERT_EQ(visual.draws().size(), 1u);
        const D3DMATERIAL9& drawn = visual.draws()[0].material;
        EXPECT_FLOAT_EQ(drawn.Power, c.power);
        EXPECT_EQ(drawn.Specular.r, c.specular);
        EXPECT_EQ(drawn.Specular.a, c.specular);
        // Reflectivity alone gives the frame its default opaque white.
        EXPECT_EQ(drawn.Diffuse.a, 1.0f);
    }
}

TEST_F(FrameWalkTest, ColourAloneAndTheNoReflectivityViewportGiveNoHighlight) {
    DXFrame coloured;
    TestVisual visual;
    coloured.addVisual(&visual);
    coloured.setColor(static_cast<int>(0xFF336699u));
    ASSERT_EQ(walk(coloured, false), S_OK);

    DXFrame shiny;
    shiny.addVisual(&visual);
    shiny.setReflectivity(10.0f);
    viewport.noReflectivityFlag = true;
    ASSERT_EQ(walk(shiny, false), S_OK);

    ASSERT_EQ(visual.draws().size(), 2u);
    for (const auto& draw : visual.draws()) {
        EXPECT_EQ(draw.material.Power, 0.0f);
        EXPECT_EQ(draw.material.Specular.g, 0.0f);
        EXPECT_EQ(draw.material.Ambient.r, 0.25f);  // ambient stays inherited
    }
    EXPECT_FLOAT_EQ(visual.draws()[0].material.Diffuse.b, 0x99 / 255.0f);
}

TEST_F(FrameWalkTest, NotANumberForReflectivityIsRefused) {
    DXFrame frame;
    testing::internal::CaptureStdout();
    EXPECT_EQ(frame.setReflectivity(std::numeric_limits<float>::quiet_NaN()), E_INVALIDARG);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("FAILED HRESULT"), std::string::npos);
}

// ---- world matrices ----

TEST_F(FrameWalkTest, EachFrameComposesItsLocalTransformBeforeItsParentsWorld) {
    DXFrame root;
    DXFrame child;
    TestVisual visual;
    root.addChild(&child);
    child.addVisual(&visual);
    setTransform(root, translationValues(1, 2, 3));
    setTransform(child, {0, 1, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0});

    ASSERT_EQ(walk(root, false), S_OK);
    ASSERT_EQ(visual.draws().size(), 1u);
    const D3DMATRIX& world = visual.draws()[0].world;
    EXPECT_EQ(world._12, 1.0f);
    EXPECT_EQ(world._21, -1.0f);
    EXPECT_EQ(world._41, 1.0f);
    EXPECT_EQ(world._42, 2.0f);
    EXPECT_EQ(world._43, 3.0f);

    // The host's world transform agrees with what the walk drew with.
    SAFEARRAY* array = nullptr;
    ASSERT_EQ(child.getWorldTransform(&array), S_OK);
    const std::vector<double> values = test::takeDoubleArray(array);
    EXPECT_EQ(values, (std::vector<double>{0, 1, 0, -1, 0, 0, 0, 0, 1, 1, 2, 3}));
}

TEST_F(FrameWalkTest, AnUntransformedFramePassesItsParentsWorldOnAsItIs) {
    DXFrame frame;
    TestVisual visual;
    frame.addVisual(&visual);
    // Negative zero still counts as zero; a product would turn the infinity into NaNs.
    setTransform(frame, {1, -0.0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
    parentWorld._41 = std::numeric_limits<float>::infinity();

    ASSERT_EQ(walk(frame, false), S_OK);
    ASSERT_EQ(visual.draws().size(), 1u);
    EXPECT_TRUE(sameBytes(visual.draws()[0].world, parentWorld));
}

TEST_F(FrameWalkTest, AVisualInTwoFramesDrawsOnceWithEachFramesWorldAndAttributes) {
    DXFrame root;
    DXFrame left;
    DXFrame right;
    TestVisual shared;
    root.addChild(&left);
    root.addChild(&right);
    left.addVisual(&shared);
    right.addVisual(&shared);
    setTransform(left, translationValues(-1, 0, 0));
    setTransform(right, translationValues(1, 0, 0));
    left.setLineWidth(5);

    ASSERT_EQ(walk(root, false), S_OK);
    ASSERT_EQ(shared.draws().size(), 2u);
    EXPECT_EQ(shared.draws()[0].world._41, -1.0f);
    EXPECT_EQ(shared.draws()[0].attributes.lineWidth, 5);
    EXPECT_EQ(shared.draws()[1].world._41, 1.0f);
    EXPECT_EQ(shared.draws()[1].attributes.lineWidth, 1);
}

// ---- inherited attributes ----

TEST_F(FrameWalkTest, FacetEdgeSettingsAreInheritedUnlessAFrameSetsItsOwn) {
    DXFrame root;
    DXFrame inheriting;
    DXFrame own;
    TestVisual a;
    TestVisual b;
    root.addChild(&inheriting);
    root.addChild(&own);
    inheriting.addVisual(&a);
    own.addVisual(&b);
    root.setDrawFacetEdges(SOLID_MESH_DRAW_BORDERS | SOLID_MESH_DRAW_HIDDEN,
                           static_cast<int>(0xFF00FF00u), 7, static_cast<int>(0xFF0000FFu), 2);
    inheriting.setDrawFacetEdges(SOLID_MESH_DRAW_USEPARENT, 1, 2, 3, 4);
    own.setDrawFacetEdges(SOLID_MESH_DRAW_SILHOUETTES, 10, 11, 12, 13);

    ASSERT_EQ(walk(root, false), S_OK);
    const RenderAttributes& inherited = a.draws().at(0).attributes;
    EXPECT_EQ(inherited.drawFlags,
              static_cast<uint32_t>(SOLID_MESH_DRAW_BORDERS | SOLID_MESH_DRAW_HIDDEN));
    EXPECT_EQ(inherited.visibleColor, 0xFF00FF00u);
    EXPECT_EQ(inherited.visibleWidth, 7);
    EXPECT_EQ(inherited.hiddenColor, 0xFF0000FFu);
    EXPECT_EQ(inherited.hiddenWidth, 2);
    const RenderAttributes& set = b.draws().at(0).attributes;
    EXPECT_EQ(set.drawFlags, static_cast<uint32_t>(SOLID_MESH_DRAW_SILHOUETTES));
    EXPECT_EQ(set.visibleColor, 10u);
    EXPECT_EQ(set.visibleWidth, 11);
    EXPECT_EQ(set.hiddenColor, 12u);
    EXPECT_EQ(set.hiddenWidth, 13);
}

TEST_F(FrameWalkTest, LineWidthAndOverrideFollowTheNearestFrameThatSetsThem) {
    DXFrame root;
    DXFrame child;
    TestVisual inRoot;
    TestVisual inChild;
    root.addVisual(&inRoot);
    root.addChild(&child);
    child.addVisual(&inChild);
    root.setLineWidth(4);
    root.setOverrideRender(VARIANT_TRUE);
    child.setLineWidth(4);
    child.setLineWidth(-1);
    child.setOverrideRender(VARIANT_FALSE);

    ASSERT_EQ(walk(root, false), S_OK);
    EXPECT_EQ(inRoot.draws().at(0).attributes.lineWidth, 4);
    EXPECT_EQ(inRoot.draws().at(0).attributes.overrideRender, 1);
    EXPECT_EQ(inChild.draws().at(0).attributes.lineWidth, 4);
    EXPECT_EQ(inChild.draws().at(0).attributes.overrideRender, 0);

    // A viewport that disregards overrides keeps the walk's own value.
    viewport.disregardOverride = true;
    ASSERT_EQ(walk(root, false), S_OK);
    EXPECT_EQ(inRoot.draws().at(1).attributes.overrideRender, 0);
}

}  // namespace
}  // namespace pelmora
