#include "scene/DXFrame.h"
#include "scene/FrameMatrix.h"
#include "support/CapturedStdout.h"
#include "support/RecordingDevice.h"
#include "support/TestViewport.h"
#include "support/TestVisual.h"
#include "support/TransformArrays.h"

#include <pelmora/exception.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pelmora {
namespace {

using test::stdoutOf;
using test::TestViewport;
using test::TestVisual;
using test::translationValues;
using testing::AllOf;
using testing::Not;
using testing::HasSubstr;
using testing::MatchesRegex;
using Calls = std::vector<std::string>;

constexpr int kHalfRed = static_cast<int>(0x80FF0000u);
const char* const kIdentityWorld = "SetTransform(WORLD, [1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1])";
const char* const kWhiteMaterial = "SetMaterial(diffuse(1,1,1,1) specular(0,0,0,0) power 0)";
const char* const kZEnableQuery = "GetRenderState(ZENABLE, out)";
const std::vector<std::string> kStateCalls = {"GetRenderState", "SetRenderState", "Render"};

template <class T>
bool sameBytes(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

void setTransform(DXFrame& frame, const std::vector<double>& values) {
    test::SafeArrayPtr array = test::makeDoubleArray(values);
    SAFEARRAY* raw = array.get();
    ASSERT_EQ(frame.addTransform(0, &raw), S_OK);
}

// A frame whose walk breaks with a translated fault, as a corrupt node would.
class FaultyFrame : public DXFrame {
public:
    HRESULT render(IDirect3DDevice9*, RenderContext*, const D3DMATRIX*, D3DMATERIAL9*,
                   RenderAttributes) override {
        throw TorvelStructuredException(0x4242, 0xC0000094u);
    }
};

class FrameWalkTest : public testing::Test {
protected:
    void SetUp() override {
        callerMaterial.Diffuse = {1, 1, 1, 1};
        callerMaterial.Ambient = {0.25f, 0.25f, 0.25f, 1};
    }

    // One walk as the render pass makes it: a fresh copy of the caller's material.
    HRESULT walk(DXFrame& root, bool translucent = false) {
        viewport.translucent = translucent;
        material = callerMaterial;
        const HRESULT status =
            root.render(&device, &viewport, &parentWorld, &material, RenderAttributes{});
        viewport.translucent = false;
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

    // A visual the test owns, listed in the frame.
    TestVisual& visualIn(DXFrame& frame, const std::string& name = "visual") {
        visuals.push_back(std::make_unique<TestVisual>(name));
        frame.addVisual(visuals.back().get());
        return *visuals.back();
    }

    std::vector<std::unique_ptr<TestVisual>> visuals;
    test::RecordingDevice device;
    TestViewport viewport;
    D3DMATERIAL9 callerMaterial{};
    D3DMATERIAL9 material{};
    D3DMATRIX parentWorld = identityMatrix();
};

// ---- what the walk does to the device ----

TEST_F(FrameWalkTest, AChainThreeThousandFramesDeepIsBuiltRefusesItsLoopAndIsWalked) {
    // Built top down, so each addition checks every frame above it.
    constexpr size_t kDepth = 3000;
    std::vector<std::unique_ptr<DXFrame>> chain;
    chain.push_back(std::make_unique<DXFrame>());
    for (size_t i = 1; i < kDepth; ++i) {
        chain.push_back(std::make_unique<DXFrame>());
        ASSERT_EQ(chain[i - 1]->addChild(chain[i].get()), S_OK) << i;
    }
    DXFrame& root = *chain.front();
    DXFrame& deepest = *chain.back();
    stdoutOf([&] {
        EXPECT_EQ(deepest.addChild(&root), E_INVALIDARG);
        EXPECT_EQ(deepest.addVisual(chain[kDepth / 2].get()), E_INVALIDARG);
    });
    const TestVisual& leaf = visualIn(deepest, "leaf");
    EXPECT_EQ(drawsPerPass(root, leaf), (std::pair<size_t, size_t>{1, 0}));
    // Destroyed top down, each frame unlinking only its neighbours; the leaf
    // visual, destroyed later with the fixture, must find no frame left.
    chain.clear();
}

TEST_F(FrameWalkTest, AnEmptyFrameOrAHiddenSubtreeTouchesNothing) {
    DXFrame empty;
    EXPECT_EQ(walk(empty), S_OK);
    DXFrame hidden, child;
    hidden.addChild(&child);
    TestVisual& visual = visualIn(hidden);
    TestVisual& inChild = visualIn(child);
    hidden.setColor(kHalfRed);
    hidden.setVisible(1);  // only VARIANT_TRUE shows
    EXPECT_EQ(walk(hidden, true), S_OK);
    EXPECT_TRUE(device.calls().empty());
    EXPECT_TRUE(visual.draws().empty());
    EXPECT_TRUE(inChild.draws().empty());
}

TEST_F(FrameWalkTest, AColouredTranslucentDepthOffFramePushesAndPopsAroundItsVisuals) {
    DXFrame frame;
    visualIn(frame, "v");
    frame.setColor(kHalfRed);
    frame.setReflectivity(2.0f);
    frame.setZBufferMode(1);

    const Calls pushed = {
        kIdentityWorld,
        "SetMaterial(diffuse(1,0,0,0.501961) specular(1,1,1,1) power 418.203)",
        kZEnableQuery,
        "SetRenderState(ZENABLE, 0)",
    };
    const Calls popped = {kWhiteMaterial, "SetRenderState(ZENABLE, 1)"};
    // The translucent pass draws between push and pop; the opaque one only pushes and pops.
    for (bool translucent : {true, false}) {
        device.clearCalls();
        ASSERT_EQ(walk(frame, translucent), S_OK);
        Calls expected = pushed;
        if (translucent) expected.push_back("Render(v)");
        expected.insert(expected.end(), popped.begin(), popped.end());
        EXPECT_EQ(device.callTexts(), expected);
        EXPECT_TRUE(sameBytes(material, callerMaterial));
    }

    // A depth test already off stays off and is put back as it was.
    device.clearCalls();
    frame.setColor(static_cast<int>(0xFFFFFFFFu));
    device.presetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    ASSERT_EQ(walk(frame, false), S_OK);
    EXPECT_EQ(device.callTexts(kStateCalls),
              (Calls{kZEnableQuery, "Render(v)", "SetRenderState(ZENABLE, 0)"}));
}

TEST_F(FrameWalkTest, WritesSwitchedOffHoldForTheSubtreeAndSwitchedBackOnInherit) {
    DXFrame root, off, backOn;
    visualIn(off, "inside");
    visualIn(backOn, "inherits");
    root.addChild(&off);
    root.addChild(&backOn);
    off.setWriteZValues(VARIANT_FALSE);
    off.setWriteColorValues(VARIANT_FALSE);
    backOn.setWriteZValues(VARIANT_FALSE);
    backOn.setWriteZValues(VARIANT_TRUE);
    backOn.setWriteColorValues(1);

    ASSERT_EQ(walk(root), S_OK);
    EXPECT_EQ(device.callTexts(kStateCalls),
              (Calls{kZEnableQuery, kZEnableQuery, "GetRenderState(ZWRITEENABLE, out)",
                     "SetRenderState(ZWRITEENABLE, 0)", "GetRenderState(COLORWRITEENABLE, out)",
                     "SetRenderState(COLORWRITEENABLE, 0)", "Render(inside)",
                     "SetRenderState(ZWRITEENABLE, 1)", "SetRenderState(COLORWRITEENABLE, 15)",
                     kZEnableQuery, "Render(inherits)"}));
}

TEST_F(FrameWalkTest, AFrameWithoutVisualsSetsNoWorldButStillWalksItsChildren) {
    DXFrame root, child;
    visualIn(child, "v");
    root.addChild(&child);
    setTransform(root, translationValues(1, 2, 3));

    ASSERT_EQ(walk(root), S_OK);
    EXPECT_EQ(device.callTexts({"SetTransform", "Render"}),
              (Calls{"SetTransform(WORLD, [1 0 0 0 0 1 0 0 0 0 1 0 1 2 3 1])", "Render(v)"}));
}

// ---- a walk that breaks still leaves the device as it found it ----

TEST_F(FrameWalkTest, AnExceptionEndingTheWalkStillPopsEveryPushedState) {
    DXFrame frame;
    TestVisual& broken = visualIn(frame, "broken");
    TestVisual& later = visualIn(frame, "later");
    frame.setColor(static_cast<int>(0xFF00FF00u));
    frame.setZBufferMode(1);
    frame.setWriteZValues(VARIANT_FALSE);
    broken.throwOnRender(TestVisual::Fault::Other);

    const std::string log = stdoutOf([&] { EXPECT_EQ(walk(frame), S_FALSE); });
    EXPECT_THAT(log, HasSubstr("Unknown exception found in Pelmora: file = DXFrame.cpp"));
    EXPECT_TRUE(later.draws().empty());
    const Calls calls = device.callTexts();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(
        Calls(calls.end() - 3, calls.end()),
        (Calls{kWhiteMaterial, "SetRenderState(ZENABLE, 1)", "SetRenderState(ZWRITEENABLE, 1)"}));
    EXPECT_TRUE(sameBytes(material, callerMaterial));
}

TEST_F(FrameWalkTest, AFaultInAVisualOrAChildFrameIsLoggedAndTheWalkGoesOn) {
    DXFrame root;
    TestVisual& broken = visualIn(root, "broken");
    FaultyFrame faulty;
    DXFrame healthy;
    TestVisual& later = visualIn(healthy, "later");
    root.addChild(&faulty);
    root.addChild(&healthy);
    broken.throwOnRender(TestVisual::Fault::Structured);

    const std::string log = stdoutOf([&] { EXPECT_EQ(walk(root), S_OK); });
    EXPECT_THAT(log, MatchesRegex("Corrupt scene graph - Caught SE while rendering visual in "
                                  "Pelmora: c0000005 at address 0xbad0; file = DXFrame\\.cpp; "
                                  "line number = [0-9]+\n"
                                  "Corrupt scene graph - Caught SE while rendering child frame in "
                                  "Pelmora: c0000094 at address 0x4242; file = DXFrame\\.cpp; "
                                  "line number = [0-9]+\n"));
    EXPECT_EQ(later.draws().size(), 1u);
}

TEST_F(FrameWalkTest, AFailedWorldMatrixDrawsNothingButStillPopsState) {
    DXFrame frame, child;
    TestVisual& visual = visualIn(frame, "v");
    TestVisual& inChild = visualIn(child, "c");
    frame.addChild(&child);
    frame.setColor(kHalfRed);
    viewport.worldFault = TestViewport::WorldFault::Status;

    EXPECT_EQ(walk(frame, true), E_FAIL);
    EXPECT_TRUE(visual.draws().empty());
    EXPECT_TRUE(inChild.draws().empty());
    EXPECT_EQ(device.callTexts({"SetMaterial"}).size(), 2u);
    EXPECT_TRUE(sameBytes(material, callerMaterial));

    // An exception setting it is logged instead, and the visuals still draw.
    for (auto fault : {TestViewport::WorldFault::Structured, TestViewport::WorldFault::Other}) {
        viewport.worldFault = fault;
        EXPECT_EQ(stdoutOf([&] { EXPECT_EQ(walk(frame, true), S_OK); }),
                  "Failed to set world matrix\nFailed to set world matrix\n");
    }
    EXPECT_EQ(visual.draws().size(), 2u);
}

// ---- which pass a frame's visuals draw in, and with what material ----

TEST_F(FrameWalkTest, TheFramesAlphaChoosesThePass) {
    const struct {
        std::optional<uint32_t> color;  // none: the frame inherits
        float callerAlpha;
        size_t opaqueDraws, translucentDraws;
        float drawnAlpha;
    } cases[] = {
        {0xF2FFFFFFu, 1.0f, 1, 0, 1.0f},             // nearly opaque snaps to full
        {0x80FF0000u, 1.0f, 0, 1, 128.0f / 255.0f},  // half transparent
        {0x00FFFFFFu, 1.0f, 0, 0, 0.0f},             // fully transparent draws nothing
        {std::nullopt, 0.95f, 0, 1, 0.95f},          // inherited alpha is not snapped
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.color ? std::to_string(*c.color) : "inherited");
        DXFrame frame;
        TestVisual& visual = visualIn(frame);
        if (c.color) frame.setColor(static_cast<int>(*c.color));
        callerMaterial.Diffuse.a = c.callerAlpha;
        EXPECT_EQ(drawsPerPass(frame, visual), std::make_pair(c.opaqueDraws, c.translucentDraws));
        for (const auto& draw : visual.draws()) {
            EXPECT_FLOAT_EQ(draw.material.Diffuse.a, c.drawnAlpha);
            EXPECT_EQ(draw.translucentPass, c.translucentDraws == 1);
        }
    }
}

TEST_F(FrameWalkTest, AClearFramesChildrenAreWalkedAndInheritItsParentsColour) {
    DXFrame clear, red, uncoloured;
    TestVisual& own = visualIn(clear);
    TestVisual& inherits = visualIn(uncoloured);
    clear.addChild(&red);
    red.addChild(&uncoloured);
    clear.setColor(0x00FFFFFF);
    red.setColor(kHalfRed);

    EXPECT_EQ(drawsPerPass(clear, own), std::make_pair(size_t{0}, size_t{0}));
    ASSERT_EQ(inherits.draws().size(), 1u);
    EXPECT_TRUE(inherits.draws()[0].translucentPass);
    EXPECT_FLOAT_EQ(inherits.draws()[0].material.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(inherits.draws()[0].material.Diffuse.g, 0.0f);
}

TEST_F(FrameWalkTest, ReflectivityBecomesTheSpecularPowerUnlessTheViewportSaysNo) {
    const struct {
        float reflectivity;  // 0: not set
        uint32_t color;      // 0: not set
        bool noReflectivityViewport;
        float power, specular;
    } cases[] = {
        {0.5f, 0, false, 0.0f, 0.0f},
        {1.5f, 0, false, 20.45f * 20.45f, 1.0f},
        {2.0f, 0, false, 20.45f * 20.45f, 1.0f},
        {50.0f, 0, false, 10.45f * 10.45f, 1.0f},
        {100.0f, 0, false, 0.2025f, 1.0f},
        {250.0f, 0, false, 0.2025f, 1.0f},
        {10.0f, 0, true, 0.0f, 0.0f},
        {0.0f, 0xFF336699u, false, 0.0f, 0.0f},  // colour alone gives no highlight
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reflectivity);
        DXFrame frame;
        TestVisual& visual = visualIn(frame);
        if (c.reflectivity != 0) frame.setReflectivity(c.reflectivity);
        if (c.color != 0) frame.setColor(static_cast<int>(c.color));
        viewport.noReflectivityFlag = c.noReflectivityViewport;
        ASSERT_EQ(walk(frame), S_OK);
        const D3DMATERIAL9& drawn = visual.draws().at(0).material;
        EXPECT_FLOAT_EQ(drawn.Power, c.power);
        EXPECT_EQ(drawn.Specular.r, c.specular);
        EXPECT_EQ(drawn.Specular.a, c.specular);
        EXPECT_EQ(drawn.Ambient.r, 0.25f);  // ambient stays inherited
        EXPECT_EQ(drawn.Diffuse.a, 1.0f);
        // Reflectivity alone keeps the default opaque white.
        EXPECT_FLOAT_EQ(drawn.Diffuse.b, c.color ? 0x99 / 255.0f : 1.0f);
    }
    // NaN changes nothing and says so, with the S_OK the operation always answers.
    DXFrame frame;
    EXPECT_THAT(stdoutOf([&] {
                    EXPECT_EQ(frame.setReflectivity(std::numeric_limits<float>::quiet_NaN()), S_OK);
                }),
                AllOf(HasSubstr("NaN is no reflectivity"), Not(HasSubstr("FAILED"))));
}

// ---- world matrices ----

TEST_F(FrameWalkTest, EachFrameComposesItsLocalTransformBeforeItsParentsWorld) {
    // A visual under two children draws once with each child's world.
    DXFrame root, turned, moved;
    TestVisual shared;
    root.addChild(&turned);
    root.addChild(&moved);
    turned.addVisual(&shared);
    moved.addVisual(&shared);
    setTransform(root, translationValues(1, 2, 3));
    setTransform(turned, {0, 1, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0});
    setTransform(moved, translationValues(-1, 0, 0));

    ASSERT_EQ(walk(root), S_OK);
    ASSERT_EQ(shared.draws().size(), 2u);
    const D3DMATRIX& world = shared.draws()[0].world;
    EXPECT_EQ(world._12, 1.0f);
    EXPECT_EQ(world._21, -1.0f);
    EXPECT_EQ(world._41, 1.0f);
    EXPECT_EQ(world._42, 2.0f);
    EXPECT_EQ(world._43, 3.0f);
    EXPECT_EQ(shared.draws()[1].world._41, 0.0f);

    // The host's world transform agrees with what the walk drew with.
    SAFEARRAY* array = nullptr;
    ASSERT_EQ(turned.getWorldTransform(&array), S_OK);
    EXPECT_EQ(test::takeDoubleArray(array),
              (std::vector<double>{0, 1, 0, -1, 0, 0, 0, 0, 1, 1, 2, 3}));
}

TEST_F(FrameWalkTest, AnUntransformedFramePassesItsParentsWorldOnAsItIs) {
    DXFrame frame;
    TestVisual& visual = visualIn(frame);
    // Negative zero still counts as zero; a product would turn the infinity into NaNs.
    setTransform(frame, {1, -0.0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
    parentWorld._41 = std::numeric_limits<float>::infinity();

    ASSERT_EQ(walk(frame), S_OK);
    EXPECT_TRUE(sameBytes(visual.draws().at(0).world, parentWorld));
}

// ---- inherited attributes ----

std::vector<int64_t> edgeSettings(const RenderAttributes& a) {
    return {a.drawFlags, a.visibleColor, a.visibleWidth, a.hiddenColor, a.hiddenWidth};
}

TEST_F(FrameWalkTest, AttributesFollowTheNearestFrameThatSetsThem) {
    DXFrame root, inheriting, own;
    TestVisual& inRoot = visualIn(root);
    TestVisual& a = visualIn(inheriting);
    TestVisual& b = visualIn(own);
    root.addChild(&inheriting);
    root.addChild(&own);
    root.setDrawFacetEdges(SOLID_MESH_DRAW_BORDERS | SOLID_MESH_DRAW_HIDDEN,
                           static_cast<int>(0xFF00FF00u), 7, static_cast<int>(0xFF0000FFu), 2);
    root.setLineWidth(4);
    root.setOverrideRender(VARIANT_TRUE);
    inheriting.setDrawFacetEdges(SOLID_MESH_DRAW_USEPARENT, 1, 2, 3, 4);
    inheriting.setLineWidth(9);
    inheriting.setLineWidth(-1);
    own.setDrawFacetEdges(SOLID_MESH_DRAW_SILHOUETTES, 10, 11, 12, 13);
    own.setLineWidth(5);
    own.setOverrideRender(VARIANT_FALSE);

    ASSERT_EQ(walk(root), S_OK);
    const RenderAttributes& inherited = a.draws().at(0).attributes;
    EXPECT_EQ(edgeSettings(inherited),
              (std::vector<int64_t>{SOLID_MESH_DRAW_BORDERS | SOLID_MESH_DRAW_HIDDEN, 0xFF00FF00u,
                                    7, 0xFF0000FFu, 2}));
    EXPECT_EQ(inherited.lineWidth, 4);
    EXPECT_EQ(inherited.overrideRender, 1);
    const RenderAttributes& set = b.draws().at(0).attributes;
    EXPECT_EQ(edgeSettings(set),
              (std::vector<int64_t>{SOLID_MESH_DRAW_SILHOUETTES, 10, 11, 12, 13}));
    EXPECT_EQ(set.lineWidth, 5);
    EXPECT_EQ(set.overrideRender, 0);

    // A viewport that disregards overrides keeps the walk's own value.
    viewport.disregardOverride = true;
    ASSERT_EQ(walk(root), S_OK);
    EXPECT_EQ(inRoot.draws().at(0).attributes.overrideRender, 1);
    EXPECT_EQ(inRoot.draws().at(1).attributes.overrideRender, 0);
}

}  // namespace
}  // namespace pelmora
