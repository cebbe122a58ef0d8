// The line object on a real device: width, joins, depth, and the device
// state it leaves behind.
#include "platform/d3dx/d3dx9line.h"
#include "support/D3D9TestDevice.h"

#include <gtest/gtest.h>

namespace pelmora::test {
namespace {

constexpr D3DCOLOR kBlack = 0xFF000000, kLineColour = 0xFFFFFF00, kQuadColour = 0xFF0000FF;
constexpr int kSize = 64;

class D3DXLineGLTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.ok());
        ASSERT_EQ(D3DXCreateLine(device.device(), &line), D3D_OK);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
        // Maps x, y pixel coordinates (y down) and a depth to clip space.
        D3DXMatrixIdentity(&pixelSpace);
        pixelSpace._11 = 2.0f / kSize;
        pixelSpace._22 = -2.0f / kSize;
        pixelSpace._41 = -1.0f;
        pixelSpace._42 = 1.0f;
    }
    void TearDown() override {
        if (line) {
            EXPECT_EQ(line->Release(), 0u);
        }
    }
    // Pixels lit across a line at one column (of a horizontal line) or row.
    static int litAcross(const Image& image, int at, bool horizontalLine) {
        int lit = 0;
        for (int i = 0; i < kSize; ++i) lit += red(horizontalLine ? image.at(at, i) : image.at(i, at)) > 128;
        return lit;
    }

    D3D9TestDevice device{DeviceOptions{kSize, kSize, D3DFMT_X8R8G8B8, true, D3DFMT_D24S8}};
    ID3DXLine* line = nullptr;
    D3DXMATRIX pixelSpace;
};

TEST_F(D3DXLineGLTest, FivePixelLineWithARightAngleCornerHasNoGaps) {
    ASSERT_EQ(line->SetWidth(5.0f), D3D_OK);
    EXPECT_FLOAT_EQ(line->GetWidth(), 5.0f);
    const D3DXVECTOR3 corner[] = {{10, 20, 0.5f}, {40, 20, 0.5f}, {40, 50, 0.5f}};
    ASSERT_EQ(line->DrawTransform(corner, 3, &pixelSpace, kLineColour), D3D_OK);
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "d3dx_line_corner");
    // Five pixels across the length of each arm: rows 18 to 22, columns 38 to 42.
    for (int x : {12, 25, 36}) EXPECT_EQ(litAcross(image, x, true), 5) << "column " << x;
    for (int y : {24, 35, 48}) EXPECT_EQ(litAcross(image, y, false), 5) << "row " << y;
    EXPECT_TRUE(pixelsNear(image, {{25, 18, kLineColour}, {25, 22, kLineColour}, {25, 17, kBlack}, {25, 23, kBlack}}, 2));
    // The corner square is filled to its outer corner, and nothing lies beyond.
    for (int y = 18; y <= 22; ++y)
        for (int x = 38; x <= 42; ++x) EXPECT_PIXEL_NEAR(image, x, y, kLineColour, 2);
    EXPECT_TRUE(pixelsNear(image, {{43, 17, kBlack}, {43, 20, kBlack}, {40, 17, kBlack}}, 2));
}

TEST_F(D3DXLineGLTest, ScreenSpaceLinesLieOverTheSceneAndTransformedOnesAreHiddenBehindIt) {
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    const TLVertex quad[] = {{0, 0, 0.2f, 1, kQuadColour}, {32, 0, 0.2f, 1, kQuadColour},
                             {0, 64, 0.2f, 1, kQuadColour}, {32, 64, 0.2f, 1, kQuadColour}};
    device->SetFVF(kTLFvf);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(TLVertex));
    line->SetWidth(4.0f);
    const D3DXVECTOR3 points[] = {{4, 32, 0.5f}, {60, 32, 0.5f}};
    ASSERT_EQ(line->DrawTransform(points, 2, &pixelSpace, kLineColour), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.0f, 0);  // nothing would pass a depth test
    line->SetWidth(3.0f);
    const D3DXVECTOR2 screen[] = {{8, 10}, {56, 10}};
    ASSERT_EQ(line->Draw(screen, 2, kLineColour), D3D_OK);
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "d3dx_line_depth");
    // Behind the quad, in the open, and the screen-space line over the quad.
    EXPECT_TRUE(pixelsNear(image, {{16, 32, kQuadColour}, {48, 32, kLineColour}, {16, 9, kLineColour}}, 2));
    EXPECT_EQ(litAcross(image, 40, true), 3 + 4);
}

TEST_F(D3DXLineGLTest, DeviceStateIsAsTheCallerLeftIt) {
    const std::pair<D3DRENDERSTATETYPE, DWORD> states[] = {
        {D3DRS_LIGHTING, TRUE}, {D3DRS_CULLMODE, D3DCULL_CCW}, {D3DRS_ALPHABLENDENABLE, FALSE}, {D3DRS_ZENABLE, D3DZB_TRUE}};
    for (const auto& [state, value] : states) device->SetRenderState(state, value);
    device->SetFVF(kColourFvf);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    device->SetTexture(0, texture);
    const D3DXVECTOR2 points[] = {{8, 8}, {56, 56}};
    ASSERT_EQ(line->Begin(), D3D_OK);
    EXPECT_EQ(line->Begin(), D3DERR_INVALIDCALL);
    ASSERT_EQ(line->Draw(points, 2, kLineColour), D3D_OK);
    ASSERT_EQ(line->End(), D3D_OK);
    EXPECT_EQ(line->End(), D3DERR_INVALIDCALL);
    DWORD value = 0;
    for (const auto& [state, expected] : states) {
        device->GetRenderState(state, &value);
        EXPECT_EQ(value, expected) << "render state " << state;
    }
    device->GetFVF(&value);
    EXPECT_EQ(value, kColourFvf);
    IDirect3DBaseTexture9* bound = nullptr;
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, texture);
    if (bound) bound->Release();
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(D3DXLineGLTest, AnswersItsDeviceAndRefusesBadArguments) {
    IDirect3DDevice9* owner = nullptr;
    ASSERT_EQ(line->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner, device.device());
    owner->Release();
    EXPECT_EQ(line->SetWidth(0.5f), D3DERR_INVALIDCALL);
    EXPECT_FLOAT_EQ(line->GetWidth(), 1.0f);
    const D3DXVECTOR3 one[] = {{1, 2, 3}};
    EXPECT_EQ(line->DrawTransform(one, 1, nullptr, kLineColour), D3DERR_INVALIDCALL);
    EXPECT_EQ(line->DrawTransform(one, 1, &pixelSpace, kLineColour), D3D_OK);  // nothing to draw
    EXPECT_EQ(line->OnLostDevice(), D3D_OK);
    EXPECT_EQ(line->OnResetDevice(), D3D_OK);
}

}  // namespace
}  // namespace pelmora::test
