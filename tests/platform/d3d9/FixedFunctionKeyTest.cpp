// Which state changes the fixed-function program: state that cannot matter
// leaves the key alone, and state the generator cannot draw is refused.
#include "platform/d3d9/state/FixedFunctionKey.h"

#include <gtest/gtest.h>

namespace pelmora::d3d9state {
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

TEST(FixedFunctionKeyTest, StateThatCannotMatterLeavesTheKeyAlone) {
    DeviceState state = stateWith(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    const FixedFunctionKey plain = keyOf(state);
    state.lights[0].light.Type = D3DLIGHT_POINT;  // pre-transformed vertices are never lit
    state.lights[0].enabled = true;
    state.renderStates[D3DRS_LIGHTING] = FALSE;
    state.renderStates[D3DRS_ALPHATESTENABLE] = TRUE;  // ALPHAFUNC ALWAYS cannot fail
    EXPECT_EQ(plain, keyOf(state));
    EXPECT_NE(plain, keyOf(state, true)) << "a bound texture with coordinates";
    state.fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
    EXPECT_EQ(keyOf(state), keyOf(state, true)) << "a texture without coordinates";
    // Lit vertices take the material's colour unless they have their own and COLORVERTEX is on.
    state = stateWith(D3DFVF_XYZ | D3DFVF_NORMAL);
    const FixedFunctionKey material = keyOf(state);
    state.renderStates[D3DRS_COLORVERTEX] = FALSE;
    EXPECT_EQ(material, keyOf(state));
    state.fvf |= D3DFVF_DIFFUSE;
    const FixedFunctionKey ignored = keyOf(state);
    state.renderStates[D3DRS_COLORVERTEX] = TRUE;
    EXPECT_NE(ignored, keyOf(state)) << "the vertex colour in use";
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
}  // namespace pelmora::d3d9state
