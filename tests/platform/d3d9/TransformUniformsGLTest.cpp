// Each fixed-function program keeps its own transforms: going back to a
// program made earlier must draw with the transforms set since, not with
// the ones it last drew with.
#include "support/D3D9TestDevice.h"

#include <gtest/gtest.h>

namespace pelmora::test {
namespace {

constexpr D3DCOLOR kBlack = 0xFF000000;
constexpr D3DCOLOR kRed = 0xFFFF0000;
constexpr float kHalfSize = 0.4f;
constexpr float kOffset = 0.5f;  // clip units left or right of the centre
constexpr int kLeftProbe = 16, kRightProbe = 48, kMiddleRow = 32;

D3DMATRIX translationX(float x) {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    m._41 = x;
    return m;
}

class TransformUniformsGLTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.ok());
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetFVF(kColourFvf);
    }

    void drawQuad() {
        const ColourVertex quad[] = {{-kHalfSize, kHalfSize, 0.5f, kRed},
                                     {kHalfSize, kHalfSize, 0.5f, kRed},
                                     {-kHalfSize, -kHalfSize, 0.5f, kRed},
                                     {kHalfSize, -kHalfSize, 0.5f, kRed}};
        ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ColourVertex)));
    }

    D3D9TestDevice device;
};

TEST_F(TransformUniformsGLTest, AProgramUsedAgainDrawsWithTheCurrentWorld) {
    const D3DMATRIX left = translationX(-kOffset), right = translationX(kOffset);
    // Gouraud and flat shading are two programs.
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    device->SetTransform(D3DTS_WORLD, &left);
    drawQuad();
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    device->SetTransform(D3DTS_WORLD, &right);
    drawQuad();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    drawQuad();
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "transform_uniforms_program_used_again");
    EXPECT_PIXEL_NEAR(image, kRightProbe, kMiddleRow, kRed, 0);
    EXPECT_PIXEL_NEAR(image, kLeftProbe, kMiddleRow, kBlack, 0);
}

}  // namespace
}  // namespace pelmora::test
