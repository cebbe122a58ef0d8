// Surfaces and what holds them: copies between render targets and system
// memory, drawing through a device context, presentation into a window,
// reference counts and device loss.
#include "platform/d3d9/gl/GLTestHooks.h"
#include "support/D3D9TestDevice.h"

#include <pelmora/host.h>

#include <gtest/gtest.h>

namespace pelmora::test {
namespace {

constexpr D3DCOLOR kBlack = 0xFF000000;
constexpr D3DCOLOR kRed = 0xFFFF0000;
constexpr D3DCOLOR kGreen = 0xFF00FF00;
constexpr D3DCOLOR kBlue = 0xFF0000FF;

class SurfaceGLTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.ok());
        // Left half red, right half green, a blue square at the top left.
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kRed, 1.0f, 0);
        const D3DRECT right = {32, 0, 64, 64}, corner = {0, 0, 8, 8};
        device->Clear(1, &right, D3DCLEAR_TARGET, kGreen, 1.0f, 0);
        device->Clear(1, &corner, D3DCLEAR_TARGET, kBlue, 1.0f, 0);
        ASSERT_EQ(D3D_OK, device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer));
    }

    void TearDown() override {
        if (backBuffer) backBuffer->Release();
    }

    IDirect3DSurface9* systemSurface(UINT width, UINT height) {
        IDirect3DSurface9* surface = nullptr;
        EXPECT_EQ(D3D_OK, device->CreateOffscreenPlainSurface(width, height, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                              &surface, nullptr));
        return surface;
    }

    D3D9TestDevice device;
    IDirect3DSurface9* backBuffer = nullptr;
};

TEST_F(SurfaceGLTest, StretchRectBetweenRenderTargets) {
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateRenderTarget(32, 32, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &target,
                                                 nullptr));
    // The back buffer's middle 32x32 (red left, green right) into the target,
    // then the target back at 1:1 into the bottom right of the back buffer.
    const RECT middle = {16, 16, 48, 48};
    ASSERT_EQ(D3D_OK, device->StretchRect(backBuffer, &middle, target, nullptr, D3DTEXF_NONE));
    const Image copied = device.readSurface(target);
    D3D9TestDevice::savePng(copied, "stretch_target");
    EXPECT_PIXEL_NEAR(copied, 0, 0, kRed, 0);
    EXPECT_PIXEL_NEAR(copied, 15, 31, kRed, 0);
    EXPECT_PIXEL_NEAR(copied, 16, 0, kGreen, 0);
    const RECT half = {0, 0, 16, 16};
    const RECT bottom = {48, 48, 64, 64};
    ASSERT_EQ(D3D_OK, device->StretchRect(target, &half, backBuffer, &bottom, D3DTEXF_POINT));
    const Image image = device.readBackBuffer();
    EXPECT_PIXEL_NEAR(image, 50, 50, kRed, 0);
    EXPECT_PIXEL_NEAR(image, 47, 50, kGreen, 0);
    EXPECT_EQ(D3DERR_INVALIDCALL, device->StretchRect(target, nullptr, target, nullptr, D3DTEXF_NONE));
    EXPECT_EQ(0u, target->Release());
}

TEST_F(SurfaceGLTest, RenderTargetDataReachesSystemMemoryAndUpdateSurfaceReturnsIt) {
    IDirect3DSurface9* copy = systemSurface(64, 64);
    ASSERT_EQ(D3D_OK, device->GetRenderTargetData(backBuffer, copy));
    const Image saved = device.readSurface(copy);
    EXPECT_PIXEL_NEAR(saved, 4, 4, kBlue, 0);
    EXPECT_PIXEL_NEAR(saved, 40, 40, kGreen, 0);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    ASSERT_EQ(D3D_OK, device->UpdateSurface(copy, nullptr, backBuffer, nullptr));
    const Image restored = device.readBackBuffer();
    D3D9TestDevice::savePng(restored, "update_surface");
    EXPECT_PIXEL_NEAR(restored, 4, 4, kBlue, 0);
    EXPECT_PIXEL_NEAR(restored, 20, 40, kRed, 0);
    EXPECT_PIXEL_NEAR(restored, 40, 40, kGreen, 0);
    IDirect3DSurface9* small = systemSurface(16, 16);
    EXPECT_EQ(D3DERR_INVALIDCALL, device->GetRenderTargetData(backBuffer, small));
    const POINT at = {48, 0};
    ASSERT_EQ(D3D_OK, device->UpdateSurface(small, nullptr, backBuffer, &at));  // a black 16x16 block
    EXPECT_PIXEL_NEAR(device.readBackBuffer(), 50, 2, kBlack, 0);
    small->Release();
    copy->Release();
}

TEST_F(SurfaceGLTest, DrawingThroughADeviceContextShowsAfterRelease) {
    HDC dc = 0;
    ASSERT_EQ(D3D_OK, backBuffer->GetDC(&dc));
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(D3DERR_INVALIDCALL, backBuffer->LockRect(&locked, nullptr, 0));
    int width = 0, height = 0, stride = 0;
    uint32_t* pixels = nullptr;
    ASSERT_EQ(S_OK, PelmoraGetDCImage(dc, &width, &height, &pixels, &stride));
    ASSERT_EQ(64, width);
    EXPECT_EQ(kBlue, pixels[0] | 0xFF000000u);
    for (int y = 20; y < 30; ++y)
        for (int x = 20; x < 44; ++x) pixels[y * stride + x] = 0xFFFFFF00;  // a yellow bar
    ASSERT_EQ(D3D_OK, backBuffer->ReleaseDC(dc));
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "getdc_drawing");
    EXPECT_PIXEL_NEAR(image, 25, 25, 0xFFFFFF00, 0);
    EXPECT_PIXEL_NEAR(image, 40, 25, 0xFFFFFF00, 0);
    EXPECT_PIXEL_NEAR(image, 25, 35, kRed, 0);
    EXPECT_EQ(D3DERR_INVALIDCALL, backBuffer->ReleaseDC(dc));
}

TEST_F(SurfaceGLTest, DeviceContextOfASixteenBitSystemSurface) {
    IDirect3DSurface9* staging = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateOffscreenPlainSurface(8, 8, D3DFMT_R5G6B5, D3DPOOL_SYSTEMMEM, &staging, nullptr));
    HDC dc = 0;
    ASSERT_EQ(D3D_OK, staging->GetDC(&dc));
    int width = 0, height = 0, stride = 0;
    uint32_t* pixels = nullptr;
    ASSERT_EQ(S_OK, PelmoraGetDCImage(dc, &width, &height, &pixels, &stride));
    pixels[3 * stride + 2] = 0xFFFF0000;
    ASSERT_EQ(D3D_OK, staging->ReleaseDC(dc));
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(D3D_OK, staging->LockRect(&locked, nullptr, D3DLOCK_READONLY));
    const auto* row = reinterpret_cast<const uint16_t*>(static_cast<const uint8_t*>(locked.pBits) + 3 * locked.Pitch);
    EXPECT_EQ(0xF800, row[2]);
    EXPECT_EQ(0x0000, row[1]);
    staging->UnlockRect();
    staging->Release();
}

TEST_F(SurfaceGLTest, PresentPutsTheSourceRectangleIntoTheWindow) {
    const int window = PelmoraCreateOffscreenWindow(64, 64);
    ASSERT_NE(0, window);
    const RECT source = {0, 0, 24, 24};
    const RECT destination = {0, 0, 24, 24};
    ASSERT_EQ(D3D_OK, device->Present(&source, &destination, window, nullptr));
    int width = 0, height = 0;
    const uint32_t* pixels = nullptr;
    ASSERT_EQ(S_OK, PelmoraGetWindowImage(window, &width, &height, &pixels));
    Image shown{width, height, std::vector<uint32_t>(pixels, pixels + size_t(width) * height)};
    D3D9TestDevice::savePng(shown, "present_rectangle");
    EXPECT_PIXEL_NEAR(shown, 2, 2, kBlue, 0);
    EXPECT_PIXEL_NEAR(shown, 20, 20, kRed, 0);
    EXPECT_PIXEL_NEAR(shown, 30, 30, kBlack, 0);  // outside the destination: untouched
    EXPECT_EQ(D3DERR_INVALIDCALL, device->Present(nullptr, nullptr, 0, nullptr));
    PelmoraDestroyWindow(window);
}

TEST_F(SurfaceGLTest, ALostDeviceSaysSoAtPresent) {
    const int window = PelmoraCreateOffscreenWindow(16, 16);
    EXPECT_EQ(D3D_OK, device->TestCooperativeLevel());
    ASSERT_TRUE(d3d9gl::forceDeviceLoss(device.device()));
    EXPECT_EQ(D3DERR_DEVICELOST, device->Present(nullptr, nullptr, window, nullptr));
    EXPECT_EQ(D3DERR_DEVICELOST, device->TestCooperativeLevel());
    PelmoraDestroyWindow(window);
}

TEST(ReferenceCountGLTest, ResourcesHoldTheirDeviceUntilReleased) {
    IDirect3D9* direct3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(nullptr, direct3d);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = parameters.BackBufferHeight = 16;
    parameters.Windowed = TRUE;
    parameters.SwapEffect = D3DSWAPEFFECT_COPY;
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(D3D_OK, direct3d->CreateDevice(direct3d->GetAdapterCount() - 1, D3DDEVTYPE_SW, 0, 0, &parameters,
                                             &device));
    IDirect3DVertexBuffer9* buffer = nullptr;
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* backBuffer = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &buffer, nullptr));
    ASSERT_EQ(D3D_OK, device->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr));
    ASSERT_EQ(D3D_OK, device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer));
    EXPECT_EQ(4u, texture->GetLevelCount());
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(D3D_OK, texture->GetSurfaceLevel(1, &level));
    EXPECT_EQ(3u, texture->AddRef());  // the texture, its level, and this one
    EXPECT_EQ(2u, texture->Release());
    IDirect3DDevice9* owner = nullptr;
    ASSERT_EQ(D3D_OK, level->GetDevice(&owner));
    EXPECT_EQ(device, owner);
    owner->Release();
    // Bound resources stay alive for the device, but the host's counts are its own.
    device->SetStreamSource(0, buffer, 0, 16);
    device->SetTexture(0, texture);
    EXPECT_EQ(0u, buffer->Release());
    EXPECT_EQ(1u, level->Release());
    EXPECT_EQ(0u, texture->Release());
    EXPECT_EQ(0u, backBuffer->Release());
    EXPECT_EQ(0u, backBuffer->Release());  // never below zero
    EXPECT_EQ(0u, device->Release());
    EXPECT_EQ(0u, direct3d->Release());
}

TEST(ReferenceCountGLTest, EachResourceCountsOnTheDevice) {
    D3D9TestDevice device;
    ASSERT_TRUE(device.ok());
    IDirect3DIndexBuffer9* indices = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_SYSTEMMEM, &indices, nullptr));
    EXPECT_EQ(3u, device->AddRef());  // the test's, the buffer's, this one
    EXPECT_EQ(2u, device->Release());
    EXPECT_EQ(0u, indices->Release());
    EXPECT_EQ(2u, device->AddRef());
    EXPECT_EQ(1u, device->Release());
}

}  // namespace
}  // namespace pelmora::test
