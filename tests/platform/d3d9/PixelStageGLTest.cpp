// The pixel stage: depth test, write and bias; alpha test; blending; the
// colour-write mask; texture stage 0 with point sampling and a colour key.
#include "support/D3D9TestDevice.h"

#include <gtest/gtest.h>

#include <cstring>

namespace pelmora::test {
namespace {

constexpr D3DCOLOR kBlack = 0xFF000000;
constexpr D3DCOLOR kRed = 0xFFFF0000;
constexpr D3DCOLOR kGreen = 0xFF00FF00;
constexpr D3DCOLOR kBlue = 0xFF0000FF;

DWORD floatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

class PixelStageGLTest : public ::testing::Test {
protected:
    PixelStageGLTest() : device(DeviceOptions{64, 64, D3DFMT_X8R8G8B8, true, D3DFMT_D24S8}) {}

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

    D3D9TestDevice device;
};

TEST_F(PixelStageGLTest, DepthTestKeepsTheNearerSurface) {
    drawRect(0, 0, 40, 40, 0.3f, kRed);
    drawRect(20, 20, 64, 64, 0.6f, kGreen);
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "depth_test");
    EXPECT_PIXEL_NEAR(image, 30, 30, kRed, 0);
    EXPECT_PIXEL_NEAR(image, 50, 50, kGreen, 0);
}

TEST_F(PixelStageGLTest, DepthTestOffDrawsInOrder) {
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    drawRect(0, 0, 40, 40, 0.3f, kRed);
    drawRect(20, 20, 64, 64, 0.6f, kGreen);
    EXPECT_PIXEL_NEAR(device.readBackBuffer(), 30, 30, kGreen, 0);
}

TEST_F(PixelStageGLTest, WithoutDepthWritesALaterFartherSurfaceShows) {
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    drawRect(0, 0, 40, 40, 0.3f, kRed);
    drawRect(20, 20, 64, 64, 0.6f, kGreen);
    EXPECT_PIXEL_NEAR(device.readBackBuffer(), 30, 30, kGreen, 0);
}

TEST_F(PixelStageGLTest, DepthBiasPullsACoplanarSurfaceForward) {
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    drawRect(0, 0, 64, 64, 0.5f, kRed);
    drawRect(0, 0, 32, 64, 0.5f, kGreen);  // equal depth: fails LESS
    device->SetRenderState(D3DRS_DEPTHBIAS, floatBits(-0.001f));
    drawRect(32, 0, 64, 64, 0.5f, kBlue);  // biased nearer: passes
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "depth_bias");
    EXPECT_PIXEL_NEAR(image, 16, 32, kRed, 0);
    EXPECT_PIXEL_NEAR(image, 48, 32, kBlue, 0);
}

TEST_F(PixelStageGLTest, AlphaTestComparesWithTheReference) {
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 0x80);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    drawRect(0, 0, 32, 64, 0, 0x7FFF0000);
    drawRect(32, 0, 64, 64, 0, 0x80FF0000);
    Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "alpha_test");
    EXPECT_PIXEL_NEAR(image, 16, 32, kBlack, 0);
    EXPECT_PIXEL_NEAR(image, 48, 32, kRed, 0);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_LESS);
    drawRect(0, 0, 64, 64, 0, 0x7F00FF00);
    image = device.readBackBuffer();
    EXPECT_PIXEL_NEAR(image, 16, 32, kGreen, 0);
}

TEST_F(PixelStageGLTest, SourceAlphaBlending) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kRed, 1.0f, 0);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    drawRect(0, 0, 64, 64, 0, 0x400000FF);  // a quarter blue over red
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "blend_srcalpha");
    EXPECT_PIXEL_NEAR(image, 32, 32, 0xFFBF0040, 2);
}

TEST_F(PixelStageGLTest, ColourWriteMaskZeroLeavesTheTarget) {
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    drawRect(0, 0, 64, 64, 0, kGreen);
    EXPECT_PIXEL_NEAR(device.readBackBuffer(), 32, 32, kBlack, 0);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED);
    drawRect(0, 0, 64, 64, 0, 0xFFFFFFFF);
    EXPECT_PIXEL_NEAR(device.readBackBuffer(), 32, 32, kRed, 0);
}

class TexturedQuadGLTest : public PixelStageGLTest {
protected:
    static constexpr int kTexels = 4;
    static constexpr D3DCOLOR kKey = 0x00FF00FF;  // transparent magenta, as a loaded colour key leaves it

    void SetUp() override {
        PixelStageGLTest::SetUp();
        ASSERT_EQ(D3D_OK, device->CreateTexture(kTexels, kTexels, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                                &texture, nullptr));
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(D3D_OK, texture->LockRect(0, &locked, nullptr, 0));
        for (int y = 0; y < kTexels; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
            for (int x = 0; x < kTexels; ++x) row[x] = texel(x, y);
        }
        texture->UnlockRect(0);
    }

    void TearDown() override {
        if (texture) texture->Release();
    }

    static D3DCOLOR texel(int x, int y) {
        if (x == 3 && y == 3) return kKey;
        return 0xFF000000u | (uint32_t(x * 80) << 16) | (uint32_t(y * 80) << 8) | 0xC0;
    }

    IDirect3DTexture9* texture = nullptr;
};

TEST_F(TexturedQuadGLTest, PointSampledModulatedAndKeyed) {
    device->SetTexture(0, texture);
    device->SetFVF(kTLTexFvf);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 1);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlue, 1.0f, 0);
    const D3DCOLOR half = 0xFF808080;
    const TLTexVertex quad[] = {{0, 0, 0, 1, half, 0, 0}, {64, 0, 0, 1, half, 1, 0},
                                {0, 64, 0, 1, half, 0, 1}, {64, 64, 0, 1, half, 1, 1}};
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(TLTexVertex)));
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "texture_modulate_key");
    // Each texel covers 16x16 pixels; probes sit inside a texel and on its first pixel.
    for (int ty = 0; ty < kTexels; ++ty)
        for (int tx = 0; tx < kTexels; ++tx) {
            const D3DCOLOR t = texel(tx, ty);
            const D3DCOLOR expected = tx == 3 && ty == 3 ? kBlue
                                                         : 0xFF000000u | ((red(t) * 128 / 255) << 16) |
                                                               ((green(t) * 128 / 255) << 8) | (blue(t) * 128 / 255);
            EXPECT_PIXEL_NEAR(image, tx * 16 + 8, ty * 16 + 8, expected, 2);
            EXPECT_PIXEL_NEAR(image, tx * 16, ty * 16, expected, 2);
        }
}

TEST_F(TexturedQuadGLTest, WithoutATextureTheDiffuseColourPasses) {
    device->SetFVF(kTLTexFvf);
    const TLTexVertex quad[] = {{0, 0, 0, 1, kGreen, 0, 0}, {64, 0, 0, 1, kGreen, 1, 0},
                                {0, 64, 0, 1, kGreen, 0, 1}, {64, 64, 0, 1, kGreen, 1, 1}};
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(TLTexVertex)));
    EXPECT_PIXEL_NEAR(device.readBackBuffer(), 32, 32, kGreen, 0);
}

}  // namespace
}  // namespace pelmora::test
