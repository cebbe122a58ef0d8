// Direct3D's defaults, change detection and dirty groups, and the desktop
// size override, without a GL context.
#include "platform/d3d9/gl/DesktopMode.h"
#include "platform/d3d9/gl/StateNames.h"

#include "support/TestSupport.h"

#include <pelmora/host.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace pelmora::d3d9gl {
namespace {

HRESULT refuse(const char*) { return D3DERR_INVALIDCALL; }

class DeviceStateTest : public ::testing::Test {
protected:
    StateTracker tracker{defaultDeviceState({0, 0, 64, 64, 0, 1}, false), refuse};
};

TEST_F(DeviceStateTest, DefaultsAreDirect3Ds) {
    const std::pair<D3DRENDERSTATETYPE, DWORD> states[] = {
        {D3DRS_ZENABLE, D3DZB_FALSE},  // no automatic depth buffer
        {D3DRS_CULLMODE, D3DCULL_CCW}, {D3DRS_COLORWRITEENABLE, 0xF}, {D3DRS_LOCALVIEWER, TRUE}};
    DWORD value = 0;
    for (const auto& [state, expected] : states) {
        tracker.getRenderState(state, &value);
        EXPECT_EQ(value, expected) << "render state " << state;
    }
    tracker.getTextureStageState(0, D3DTSS_COLOROP, &value);
    EXPECT_EQ(DWORD(D3DTOP_MODULATE), value);
    tracker.getTextureStageState(1, D3DTSS_COLOROP, &value);
    EXPECT_EQ(DWORD(D3DTOP_DISABLE), value);
    tracker.getSamplerState(0, D3DSAMP_MINFILTER, &value);
    EXPECT_EQ(DWORD(D3DTEXF_POINT), value);
}

TEST_F(DeviceStateTest, AnUnchangedValueMarksNothing) {
    tracker.clearDirty(kDirtyAll);
    tracker.setRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    tracker.setRenderState(D3DRS_ALPHAREF, 0);
    EXPECT_EQ(0u, tracker.dirty());
    tracker.setRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    EXPECT_EQ(uint32_t(kDirtyBlend), tracker.dirty());
    tracker.clearDirty(kDirtyAll);
    D3DMATRIX view = identityMatrix();
    tracker.setTransform(D3DTS_VIEW, &view);
    EXPECT_EQ(0u, tracker.dirty());
    view._43 = 5;
    tracker.setTransform(D3DTS_VIEW, &view);
    EXPECT_EQ(uint32_t(kDirtyTransforms | kDirtyLights), tracker.dirty());
}

TEST_F(DeviceStateTest, LightEnableMakesADefaultLightAndAtMostEightAreOn) {
    ASSERT_EQ(D3D_OK, tracker.lightEnable(5, TRUE));
    D3DLIGHT9 light{};
    ASSERT_EQ(D3D_OK, tracker.getLight(5, &light));
    EXPECT_EQ(D3DLIGHT_DIRECTIONAL, light.Type);
    EXPECT_EQ(1.0f, light.Diffuse.r);
    EXPECT_EQ(0.0f, light.Diffuse.a);
    EXPECT_EQ(1.0f, light.Direction.z);
    EXPECT_EQ(D3DERR_INVALIDCALL, tracker.getLight(6, &light));
    for (DWORD i = 0; i < 7; ++i) EXPECT_EQ(D3D_OK, tracker.lightEnable(i * 3 + 10, TRUE));
    EXPECT_EQ(D3DERR_INVALIDCALL, tracker.lightEnable(100, TRUE));
    EXPECT_EQ(D3D_OK, tracker.lightEnable(5, FALSE));
    EXPECT_EQ(D3D_OK, tracker.lightEnable(100, TRUE));
}

TEST_F(DeviceStateTest, BadInputIsRefused) {
    EXPECT_EQ(D3DERR_INVALIDCALL, tracker.setRenderState(D3DRENDERSTATETYPE(300), 1));
    const D3DVIEWPORT9 outside = {60, 0, 10, 10, 0, 1};
    EXPECT_EQ(D3DERR_INVALIDCALL, tracker.setViewport(&outside, 64, 64));
    D3DLIGHT9 light{};
    EXPECT_EQ(D3DERR_INVALIDCALL, tracker.setLight(0, &light));  // type 0
}

TEST(DesktopModeTest, SizesParseStrictly) {
    const auto mode = parseDesktopSize("640x480");
    ASSERT_TRUE(mode.has_value());
    EXPECT_EQ(640u, mode->Width);
    EXPECT_EQ(480u, mode->Height);
    EXPECT_EQ(D3DFMT_X8R8G8B8, mode->Format);
    for (const char* bad : {"640x", "0x480", "640x480junk", "99999x10"})
        EXPECT_FALSE(parseDesktopSize(bad).has_value()) << bad;
}

// The environment wins over the registry, which wins over the X server.
TEST(DesktopModeTest, TheEnvironmentThenTheRegistryChooseTheSize) {
    const test::ScopedRegistry registry;
    ASSERT_TRUE(test::storeUserString(test::kPelmoraKey, "Desktop Size", "1024x768"));
    setenv("PELMORA_DESKTOP_SIZE", "640x480", 1);
    EXPECT_EQ(640u, desktopMode().Width);
    unsetenv("PELMORA_DESKTOP_SIZE");
    EXPECT_EQ(1024u, desktopMode().Width);
    EXPECT_EQ(768u, desktopMode().Height);
}

}  // namespace
}  // namespace pelmora::d3d9gl
