// Which state changes the fixed-function program, and what the generated
// code does for a key.
#include "platform/d3d9/gl/FixedFunctionGenerator.h"
#include "platform/d3d9/gl/FixedFunctionKey.h"

#include <gtest/gtest.h>

namespace pelmora::d3d9gl {
namespace {

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

LightEntry enabledLight(D3DLIGHTTYPE type, bool enabled = true) {
    LightEntry entry;
    entry.light.Type = type;
    entry.enabled = enabled;
    return entry;
}

int occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(FixedFunctionKeyTest, PretransformedVerticesAreNeverLit) {
    DeviceState state = stateWith(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    state.lights[0] = enabledLight(D3DLIGHT_POINT);
    const FixedFunctionKey key = keyOf(state);
    EXPECT_TRUE(key.pretransformed);
    EXPECT_FALSE(key.lighting);
    EXPECT_EQ(0, key.lightCount);
    state.renderStates[D3DRS_LIGHTING] = FALSE;
    EXPECT_EQ(key, keyOf(state));
}

TEST(FixedFunctionKeyTest, ColourSourcesFallBackToTheMaterial) {
    DeviceState state = stateWith(D3DFVF_XYZ | D3DFVF_NORMAL);
    FixedFunctionKey key = keyOf(state);
    EXPECT_EQ(kFromMaterial, key.diffuseSource);  // COLOR1 asked, no diffuse in the format
    state.fvf |= D3DFVF_DIFFUSE;
    key = keyOf(state);
    EXPECT_EQ(kFromDiffuse, key.diffuseSource);
    EXPECT_EQ(kFromMaterial, key.specularSource);
    state.renderStates[D3DRS_COLORVERTEX] = FALSE;
    EXPECT_EQ(kFromMaterial, keyOf(state).diffuseSource);
}

TEST(FixedFunctionKeyTest, EnabledLightsAreListedInIndexOrder) {
    DeviceState state = stateWith(D3DFVF_XYZ | D3DFVF_NORMAL);
    state.lights[7] = enabledLight(D3DLIGHT_SPOT);
    state.lights[2] = enabledLight(D3DLIGHT_DIRECTIONAL);
    state.lights[4] = enabledLight(D3DLIGHT_POINT, false);
    const FixedFunctionKey key = keyOf(state);
    ASSERT_EQ(2, key.lightCount);
    EXPECT_EQ(D3DLIGHT_DIRECTIONAL, key.lightTypes[0]);
    EXPECT_EQ(D3DLIGHT_SPOT, key.lightTypes[1]);
    const std::string code = vertexShaderSource(key);
    // The directional light needs no cone or position; the spot light does.
    EXPECT_EQ(0, occurrences(code, "uLights[0].cone")) << code;
    EXPECT_EQ(0, occurrences(code, "uLights[0].position"));
    EXPECT_GT(occurrences(code, "uLights[1].cone"), 1);
    EXPECT_EQ(0, occurrences(code, "uLights[2]"));
    EXPECT_EQ(0, occurrences(code, "for ("));
}

TEST(FixedFunctionKeyTest, AlphaTestOnlyWhenItCanFail) {
    DeviceState state = stateWith(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    state.renderStates[D3DRS_ALPHATESTENABLE] = TRUE;
    EXPECT_EQ(0, keyOf(state).alphaFunc);  // ALWAYS
    state.renderStates[D3DRS_ALPHAFUNC] = D3DCMP_GREATEREQUAL;
    const FixedFunctionKey key = keyOf(state);
    EXPECT_EQ(D3DCMP_GREATEREQUAL, key.alphaFunc);
    EXPECT_NE(std::string::npos, fragmentShaderSource(key).find("discard"));
}

TEST(FixedFunctionKeyTest, TextureStageOnlyWithATextureAndCoordinates) {
    DeviceState state = stateWith(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    EXPECT_FALSE(keyOf(state, false).textured);
    const FixedFunctionKey key = keyOf(state, true);
    EXPECT_TRUE(key.textured);
    EXPECT_EQ(D3DTOP_MODULATE, key.colorOp);
    EXPECT_NE(std::string::npos, fragmentShaderSource(key).find("tex.rgb * vDiffuse.rgb"));
    state.fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
    EXPECT_FALSE(keyOf(state, true).textured);
}

TEST(FixedFunctionKeyTest, UndrawableStateIsRefusedWithAReason) {
    FixedFunctionKey key;
    std::string why;
    DeviceState state = stateWith(D3DFVF_XYZ | 0x10000000);
    EXPECT_FALSE(makeFixedFunctionKey(state, false, &key, &why));
    EXPECT_NE(std::string::npos, why.find("vertex format"));
    state = stateWith(D3DFVF_XYZRHW | D3DFVF_TEX1);
    state.stageStates[0][D3DTSS_COLOROP] = 7;  // ADD
    EXPECT_FALSE(makeFixedFunctionKey(state, true, &key, &why));
}

TEST(FixedFunctionKeyTest, FlatShadingMarksColoursFlat) {
    DeviceState state = stateWith(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    state.renderStates[D3DRS_SHADEMODE] = D3DSHADE_FLAT;
    const FixedFunctionKey key = keyOf(state);
    EXPECT_NE(std::string::npos, vertexShaderSource(key).find("flat out vec4 vDiffuse"));
    EXPECT_NE(std::string::npos, fragmentShaderSource(key).find("flat in vec4 vDiffuse"));
}

}  // namespace
}  // namespace pelmora::d3d9gl
