// The pixel stage: depth test, write and bias; alpha test; blending; the
// colour-write mask; texture stage 0 with point sampling and a colour key.
#include "support/D3D9TestDevice.h"

#include <gtest/gtest.h>

#include <bit>

namespace pelmora::test {
namespace {

constexpr D3DCOLOR kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

class PixelStageGLTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.ok());
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetFVF(kTLFvf);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    }
    // A pre-transformed rectangle at depth z.
    void drawRect(float left, float top, float right, float bottom, float z, D3DCOLOR colour) {
        const TLVertex quad[] = {{left, top, z, 1, colour}, {right, top, z, 1, colour},
                                 {left, bottom, z, 1, colour}, {right, bottom, z, 1, colour}};
        ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(TLVertex)));
    }
    void setStates(const std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>>& states) {
        for (const auto& [state, value] : states) device->SetRenderState(state, value);
    }

    D3D9TestDevice device{DeviceOptions{64, 64, D3DFMT_X8R8G8B8, true, D3DFMT_D24S8}};
};

TEST_F(PixelStageGLTest, DepthTestAndDepthWrites) {
    // A near red square, then a farther green one overlapping it at (30, 30).
    const std::pair<D3DRENDERSTATETYPE, DWORD> cases[] = {
        {D3DRS_ZENABLE, D3DZB_TRUE}, {D3DRS_ZENABLE, D3DZB_FALSE}, {D3DRS_ZWRITEENABLE, FALSE}};
    for (const auto& [state, value] : cases) {
        SCOPED_TRACE(testing::Message() << "state " << state << " = " << value);
        SetUp();
        device->SetRenderState(state, value);
        drawRect(0, 0, 40, 40, 0.3f, kRed);
        drawRect(20, 20, 64, 64, 0.6f, kGreen);
        const Image image = device.readBackBuffer();
        D3D9TestDevice::savePng(image, "depth_" + std::to_string(state) + "_" + std::to_string(value));
        const bool tested = state == D3DRS_ZENABLE && value == D3DZB_TRUE;
        EXPECT_TRUE(pixelsNear(image, {{30, 30, tested ? kRed : kGreen}, {50, 50, kGreen}}));
        device->SetRenderState(state, state == D3DRS_ZENABLE ? DWORD(D3DZB_TRUE) : DWORD(TRUE));
    }
}

TEST_F(PixelStageGLTest, DepthBiasPullsACoplanarSurfaceForward) {
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    drawRect(0, 0, 64, 64, 0.5f, kRed);
    drawRect(0, 0, 32, 64, 0.5f, kGreen);  // equal depth: fails LESS
    device->SetRenderState(D3DRS_DEPTHBIAS, std::bit_cast<DWORD>(-0.001f));
    drawRect(32, 0, 64, 64, 0.5f, kBlue);  // biased nearer: passes
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "depth_bias");
    EXPECT_TRUE(pixelsNear(image, {{16, 32, kRed}, {48, 32, kBlue}}));
}

TEST_F(PixelStageGLTest, AlphaTestComparesWithTheReference) {
    setStates({{D3DRS_ALPHATESTENABLE, TRUE}, {D3DRS_ALPHAREF, 0x80}, {D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL}});
    drawRect(0, 0, 32, 64, 0, 0x7FFF0000);
    drawRect(32, 0, 64, 64, 0, 0x80FF0000);
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "alpha_test");
    EXPECT_TRUE(pixelsNear(image, {{16, 32, kBlack}, {48, 32, kRed}}));
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_LESS);
    drawRect(0, 0, 64, 64, 0, 0x7F00FF00);
    EXPECT_PIXEL_NEAR(device.readBackBuffer(), 16, 32, kGreen, 0);
}

// A program leaves out an alpha test no fragment can fail (the alpha is the
// material's, or opaque without vertex colours); a material or a reference
// that makes it fail between two draws brings the test back.
TEST_F(PixelStageGLTest, AnAlphaTestLeftOutReturnsWhenTheMaterialOrTheReferenceMakesItFail) {
    constexpr D3DCOLOR kWhite = 0xFFFFFFFF;
    const auto drawStrip = [&](float left, float right) {
        const NormalVertex strip[] = {{left, 1, 0.5f, 0, 0, -1, 0, 0}, {right, 1, 0.5f, 0, 0, -1, 0, 0},
                                      {left, -1, 0.5f, 0, 0, -1, 0, 0}, {right, -1, 0.5f, 0, 0, -1, 0, 0}};
        ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(NormalVertex)));
    };
    setStates({{D3DRS_ALPHATESTENABLE, TRUE}, {D3DRS_ALPHAREF, 2}, {D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL},
               {D3DRS_LIGHTING, TRUE}});
    device->SetFVF(kNormalFvf);
    // Lit without lights: the emissive red, with the material's diffuse alpha.
    const struct {
        float alpha, left;
    } lit[] = {{1.0f, -1.0f}, {0.0f, -0.5f}, {1.0f, 0.0f}};
    for (const auto& entry : lit) {
        D3DMATERIAL9 material{};
        material.Emissive = {1, 0, 0, 1};
        material.Diffuse = {0, 0, 0, entry.alpha};
        device->SetMaterial(&material);
        drawStrip(entry.left, entry.left + 0.5f);
    }
    // Unlit without vertex colours: opaque white, equal to a reference of 255 only.
    setStates({{D3DRS_LIGHTING, FALSE}, {D3DRS_ALPHAFUNC, D3DCMP_EQUAL}});
    const struct {
        DWORD reference;
        float left;
    } unlit[] = {{0xFF, 0.5f}, {0x80, 0.75f}};
    for (const auto& entry : unlit) {
        device->SetRenderState(D3DRS_ALPHAREF, entry.reference);
        drawStrip(entry.left, entry.left + 0.25f);
    }
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "alpha_test_left_out");
    EXPECT_TRUE(pixelsNear(image, {{8, 32, kRed}, {24, 32, kBlack}, {40, 32, kRed}, {52, 32, kWhite},
                                   {60, 32, kBlack}}));
}

TEST_F(PixelStageGLTest, SourceAlphaBlendingAndTheColourWriteMask) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kRed, 1.0f, 0);
    setStates({{D3DRS_ALPHABLENDENABLE, TRUE}, {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
               {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA}});
    drawRect(0, 0, 64, 64, 0, 0x400000FF);  // a quarter blue over red
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "blend_srcalpha");
    EXPECT_PIXEL_NEAR(image, 32, 32, 0xFFBF0040, 2);

    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    drawRect(0, 0, 64, 64, 0, kGreen);
    EXPECT_PIXEL_NEAR(device.readBackBuffer(), 32, 32, kBlack, 0);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED);
    drawRect(0, 0, 64, 64, 0, 0xFFFFFFFF);
    EXPECT_PIXEL_NEAR(device.readBackBuffer(), 32, 32, kRed, 0);
}

TEST_F(PixelStageGLTest, TexturedQuadIsPointSampledModulatedAndKeyed) {
    constexpr int kTexels = 4;
    constexpr D3DCOLOR kKey = 0x00FF00FF;  // transparent magenta, as a loaded colour key leaves it
    const auto texel = [](int x, int y) -> D3DCOLOR {
        return x == 3 && y == 3 ? kKey : 0xFF000000u | (uint32_t(x * 80) << 16) | (uint32_t(y * 80) << 8) | 0xC0;
    };
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateTexture(kTexels, kTexels, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr));
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(D3D_OK, texture->LockRect(0, &locked, nullptr, 0));
    for (int y = 0; y < kTexels; ++y)
        for (int x = 0; x < kTexels; ++x)
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch)[x] = texel(x, y);
    texture->UnlockRect(0);

    setStates({{D3DRS_ALPHATESTENABLE, TRUE}, {D3DRS_ALPHAREF, 1}, {D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL}});
    device->SetFVF(kTLTexFvf);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlue, 1.0f, 0);
    const D3DCOLOR half = 0xFF808080;
    const TLTexVertex quad[] = {{0, 0, 0, 1, half, 0, 0}, {64, 0, 0, 1, half, 1, 0},
                                {0, 64, 0, 1, half, 0, 1}, {64, 64, 0, 1, half, 1, 1}};
    // Without a texture the diffuse colour passes.
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(TLTexVertex)));
    EXPECT_PIXEL_NEAR(device.readBackBuffer(), 32, 32, half, 0);
    device->SetTexture(0, texture);
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(TLTexVertex)));
    device->SetTexture(0, nullptr);
    texture->Release();
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "texture_modulate_key");
    // Each texel covers 16x16 pixels; probes sit inside a texel and on its first pixel.
    for (int ty = 0; ty < kTexels; ++ty)
        for (int tx = 0; tx < kTexels; ++tx) {
            const D3DCOLOR t = texel(tx, ty);
            const D3DCOLOR expected = tx == 3 && ty == 3 ? half
                                                         : 0xFF000000u | ((red(t) * 128 / 255) << 16) |
                                                               ((green(t) * 128 / 255) << 8) | (blue(t) * 128 / 255);
            EXPECT_PIXEL_NEAR(image, tx * 16 + 8, ty * 16 + 8, expected, 2);
            EXPECT_PIXEL_NEAR(image, tx * 16, ty * 16, expected, 2);
        }
}

}  // namespace
}  // namespace pelmora::test
