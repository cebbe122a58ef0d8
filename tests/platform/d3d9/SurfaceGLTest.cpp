// Surfaces and what holds them: copies between render targets and system
// memory, locks of part of a surface, drawing through a device context,
// presentation into a window, reference counts and device loss.
#include "platform/d3d9/gl/GLTestHooks.h"
#include "support/D3D9TestDevice.h"

#include <pelmora/host.h>

#include <gtest/gtest.h>

namespace pelmora::test {
namespace {

constexpr D3DCOLOR kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;
constexpr D3DCOLOR kYellow = 0xFFFFFF00;

uint32_t* row(const D3DLOCKED_RECT& locked, int y) {
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch);
}

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
    IDirect3DSurface9* systemSurface(UINT width, UINT height, D3DFORMAT format = D3DFMT_X8R8G8B8) {
        IDirect3DSurface9* surface = nullptr;
        EXPECT_EQ(D3D_OK, device->CreateOffscreenPlainSurface(width, height, format, D3DPOOL_SYSTEMMEM, &surface, nullptr));
        return surface;
    }
    // Fills the device context's pixels in [x0, x1) x [y0, y1), then releases it.
    static void paintThroughDC(IDirect3DSurface9* surface, int x0, int y0, int x1, int y1, uint32_t colour) {
        HDC dc = 0;
        ASSERT_EQ(D3D_OK, surface->GetDC(&dc));
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(D3DERR_INVALIDCALL, surface->LockRect(&locked, nullptr, 0)) << "the DC holds the surface";
        int width = 0, height = 0, stride = 0;
        uint32_t* pixels = nullptr;
        ASSERT_EQ(S_OK, PelmoraGetDCImage(dc, &width, &height, &pixels, &stride));
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) pixels[y * stride + x] = colour;
        ASSERT_EQ(D3D_OK, surface->ReleaseDC(dc));
        EXPECT_EQ(D3DERR_INVALIDCALL, surface->ReleaseDC(dc));
    }

    D3D9TestDevice device;
    IDirect3DSurface9* backBuffer = nullptr;
};

TEST_F(SurfaceGLTest, StretchRectBetweenRenderTargets) {
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateRenderTarget(32, 32, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &target, nullptr));
    // The back buffer's middle 32x32 (red left, green right) into the target,
    // then the target back at 1:1 into the bottom right of the back buffer.
    const RECT middle = {16, 16, 48, 48}, half = {0, 0, 16, 16}, bottom = {48, 48, 64, 64};
    ASSERT_EQ(D3D_OK, device->StretchRect(backBuffer, &middle, target, nullptr, D3DTEXF_NONE));
    const Image copied = device.readSurface(target);
    D3D9TestDevice::savePng(copied, "stretch_target");
    EXPECT_TRUE(pixelsNear(copied, {{0, 0, kRed}, {15, 31, kRed}, {16, 0, kGreen}}));
    ASSERT_EQ(D3D_OK, device->StretchRect(target, &half, backBuffer, &bottom, D3DTEXF_POINT));
    EXPECT_TRUE(pixelsNear(device.readBackBuffer(), {{50, 50, kRed}, {47, 50, kGreen}}));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->StretchRect(target, nullptr, target, nullptr, D3DTEXF_NONE));
    EXPECT_EQ(0u, target->Release());
}

TEST_F(SurfaceGLTest, RenderTargetDataReachesSystemMemoryAndUpdateSurfaceReturnsIt) {
    IDirect3DSurface9* copy = systemSurface(64, 64);
    ASSERT_EQ(D3D_OK, device->GetRenderTargetData(backBuffer, copy));
    EXPECT_TRUE(pixelsNear(device.readSurface(copy), {{4, 4, kBlue}, {40, 40, kGreen}}));
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    ASSERT_EQ(D3D_OK, device->UpdateSurface(copy, nullptr, backBuffer, nullptr));
    const Image restored = device.readBackBuffer();
    D3D9TestDevice::savePng(restored, "update_surface");
    EXPECT_TRUE(pixelsNear(restored, {{4, 4, kBlue}, {20, 40, kRed}, {40, 40, kGreen}}));
    IDirect3DSurface9* small = systemSurface(16, 16);
    EXPECT_EQ(D3DERR_INVALIDCALL, device->GetRenderTargetData(backBuffer, small));
    const POINT at = {48, 0};
    ASSERT_EQ(D3D_OK, device->UpdateSurface(small, nullptr, backBuffer, &at));  // a black 16x16 block
    EXPECT_PIXEL_NEAR(device.readBackBuffer(), 50, 2, kBlack, 0);
    small->Release();
    copy->Release();
}

TEST_F(SurfaceGLTest, LockingARectangleReadsAndWritesOnlyThosePixels) {
    const RECT area = {4, 4, 12, 12};
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(D3D_OK, backBuffer->LockRect(&locked, &area, D3DLOCK_READONLY));
    EXPECT_EQ(kBlue & 0xFFFFFF, row(locked, 3)[3] & 0xFFFFFF);  // (7, 7)
    EXPECT_EQ(kRed & 0xFFFFFF, row(locked, 4)[4] & 0xFFFFFF);   // (8, 8)
    ASSERT_EQ(D3D_OK, backBuffer->UnlockRect());
    ASSERT_EQ(D3D_OK, backBuffer->LockRect(&locked, &area, 0));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) row(locked, y)[x] = kYellow;
    ASSERT_EQ(D3D_OK, backBuffer->UnlockRect());
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "surface_lock_rectangle_written");
    EXPECT_TRUE(pixelsNear(image, {{4, 4, kYellow}, {11, 11, kYellow}, {3, 4, kBlue}, {12, 11, kRed}, {40, 40, kGreen}}));
}

TEST_F(SurfaceGLTest, DrawingThroughADeviceContextShowsAfterRelease) {
    paintThroughDC(backBuffer, 20, 20, 44, 30, kYellow);
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "getdc_drawing");
    // The DC starts with the surface's pixels: the blue corner is still there.
    EXPECT_TRUE(pixelsNear(image, {{25, 25, kYellow}, {40, 25, kYellow}, {25, 35, kRed}, {4, 4, kBlue}}));
    // A 16-bit system surface gets the colour in its own layout.
    IDirect3DSurface9* staging = systemSurface(8, 8, D3DFMT_R5G6B5);
    paintThroughDC(staging, 2, 3, 3, 4, kRed);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(D3D_OK, staging->LockRect(&locked, nullptr, D3DLOCK_READONLY));
    const auto* pixels = reinterpret_cast<const uint16_t*>(row(locked, 3));
    EXPECT_EQ(0xF800, pixels[2]);
    EXPECT_EQ(0x0000, pixels[1]);
    staging->UnlockRect();
    staging->Release();
}

TEST_F(SurfaceGLTest, PresentPutsTheSourceRectangleIntoTheWindowUntilTheDeviceIsLost) {
    const int window = PelmoraCreateOffscreenWindow(64, 64);
    ASSERT_NE(0, window);
    const RECT rectangle = {0, 0, 24, 24};
    ASSERT_EQ(D3D_OK, device->Present(&rectangle, &rectangle, window, nullptr));
    const Image shown = D3D9TestDevice::windowImage(window);
    D3D9TestDevice::savePng(shown, "present_rectangle");
    // Outside the destination the window is untouched.
    EXPECT_TRUE(pixelsNear(shown, {{2, 2, kBlue}, {20, 20, kRed}, {30, 30, kBlack}}));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->Present(nullptr, nullptr, 0, nullptr));
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
    ASSERT_EQ(D3D_OK, direct3d->CreateDevice(direct3d->GetAdapterCount() - 1, D3DDEVTYPE_SW, 0, 0, &parameters, &device));
    IDirect3DVertexBuffer9* buffer = nullptr;
    IDirect3DIndexBuffer9* indices = nullptr;
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* backBuffer = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_SYSTEMMEM, &indices, nullptr));
    EXPECT_EQ(3u, device->AddRef());  // the test's, the buffer's, this one
    EXPECT_EQ(2u, device->Release());
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
    EXPECT_EQ(0u, indices->Release());
    EXPECT_EQ(1u, level->Release());
    EXPECT_EQ(0u, texture->Release());
    EXPECT_EQ(0u, backBuffer->Release());
    EXPECT_EQ(0u, backBuffer->Release());  // never below zero
    EXPECT_EQ(0u, device->Release());
    EXPECT_EQ(0u, direct3d->Release());
}

}  // namespace
}  // namespace pelmora::test
