// Which state changes the fixed-function program, and what the generated
// code does for a key.
#include "platform/d3d9/gl/FixedFunctionGenerator.h"
#include "platform/d3d9/gl/FixedFunctionKey.h"

#include <gtest/gtest.h>

namespace pelmora::d3d9gl {
namespace {

constexpr DWORD kLitFvf = D3DFVF_XYZ | D3DFVF_NORMAL;
constexpr DWORD kTLFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

DeviceState stateWith(DWORD fvf) {
    DeviceState state = defaultDeviceState({0, 0, 64, 64, 0, 1}, true);
    state.fvf = fvf;
    return state;
}

FixedFunctionKey keyOf(const DeviceState& state, bool textured = false) {
    FixedFunctionKey key;
    std::string why;
    EXPECT_TRUE(makeFixedFunctionKey(state, textured, &key, &why)) << why;
    return key;
}

void enable(DeviceState& state, DWORD index, D3DLIGHTTYPE type, bool enabled = true) {
    state.lights[index].light.Type = type;
    state.lights[index].enabled = enabled;
}

TEST(FixedFunctionKeyTest, PretransformedVerticesAreNeverLit) {
    DeviceState state = stateWith(kTLFvf);
    enable(state, 0, D3DLIGHT_POINT);
    const FixedFunctionKey key = keyOf(state);
    EXPECT_TRUE(key.pretransformed);
    EXPECT_FALSE(key.lighting);
    EXPECT_EQ(0, key.lightCount);
    state.renderStates[D3DRS_LIGHTING] = FALSE;
    EXPECT_EQ(key, keyOf(state));
}

TEST(FixedFunctionKeyTest, ColourSourcesFallBackToTheMaterial) {
    DeviceState state = stateWith(kLitFvf);
    EXPECT_EQ(kFromMaterial, keyOf(state).diffuseSource);  // COLOR1 asked, no diffuse in the format
    state.fvf |= D3DFVF_DIFFUSE;
    EXPECT_EQ(kFromDiffuse, keyOf(state).diffuseSource);
    EXPECT_EQ(kFromMaterial, keyOf(state).specularSource);
    state.renderStates[D3DRS_COLORVERTEX] = FALSE;
    EXPECT_EQ(kFromMaterial, keyOf(state).diffuseSource);
}

TEST(FixedFunctionKeyTest, EnabledLightsAreListedInIndexOrder) {
    DeviceState state = stateWith(kLitFvf);
    enable(state, 7, D3DLIGHT_SPOT);
    enable(state, 2, D3DLIGHT_DIRECTIONAL);
    enable(state, 4, D3DLIGHT_POINT, false);
    const FixedFunctionKey key = keyOf(state);
    ASSERT_EQ(2, key.lightCount);
    EXPECT_EQ(D3DLIGHT_DIRECTIONAL, key.lightTypes[0]);
    EXPECT_EQ(D3DLIGHT_SPOT, key.lightTypes[1]);
}

TEST(FixedFunctionKeyTest, AlphaTestAndTextureStageOnlyWhenTheyMatter) {
    DeviceState state = stateWith(kTLFvf | D3DFVF_TEX1);
    state.renderStates[D3DRS_ALPHATESTENABLE] = TRUE;
    EXPECT_EQ(0, keyOf(state).alphaFunc);  // ALWAYS cannot fail
    state.renderStates[D3DRS_ALPHAFUNC] = D3DCMP_GREATEREQUAL;
    EXPECT_EQ(D3DCMP_GREATEREQUAL, keyOf(state).alphaFunc);
    EXPECT_NE(std::string::npos, fragmentShaderSource(keyOf(state)).find("discard"));
    EXPECT_FALSE(keyOf(state, false).textured);
    EXPECT_TRUE(keyOf(state, true).textured);
    EXPECT_EQ(D3DTOP_MODULATE, keyOf(state, true).colorOp);
    state.fvf = kTLFvf;
    EXPECT_FALSE(keyOf(state, true).textured) << "no coordinates";
}

TEST(FixedFunctionKeyTest, UndrawableStateIsRefusedWithAReason) {
    FixedFunctionKey key;
    std::string why;
    EXPECT_FALSE(makeFixedFunctionKey(stateWith(D3DFVF_XYZ | 0x10000000), false, &key, &why));
    EXPECT_NE(std::string::npos, why.find("vertex format"));
    DeviceState state = stateWith(D3DFVF_XYZRHW | D3DFVF_TEX1);
    state.stageStates[0][D3DTSS_COLOROP] = 7;  // ADD
    EXPECT_FALSE(makeFixedFunctionKey(state, true, &key, &why));
}

}  // namespace
}  // namespace pelmora::d3d9gl
