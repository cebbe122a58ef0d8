// Locking part of a surface that lives in GL: a lock reads back and writes
// back only its own rectangle, at the right place, and leaves the rest of
// the surface as it was.
#include "support/D3D9TestDevice.h"

#include <gtest/gtest.h>

namespace pelmora::test {
namespace {

constexpr D3DCOLOR kBlack = 0xFF000000;
constexpr D3DCOLOR kGreen = 0xFF00FF00;
constexpr D3DCOLOR kRed = 0xFFFF0000;
constexpr uint32_t kRgbMask = 0x00FFFFFF;

class SurfaceLockGLTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.ok());
        ASSERT_EQ(D3D_OK, device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer));
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    }
    void TearDown() override {
        if (backBuffer) backBuffer->Release();
    }

    void clearRect(const D3DRECT& rect, D3DCOLOR colour) {
        ASSERT_EQ(D3D_OK, device->Clear(1, &rect, D3DCLEAR_TARGET, colour, 1.0f, 0));
    }

    static uint32_t pixelAt(const D3DLOCKED_RECT& locked, int x, int y) {
        const auto* row = static_cast<const uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch;
        return reinterpret_cast<const uint32_t*>(row)[x] & kRgbMask;
    }

    D3D9TestDevice device;
    IDirect3DSurface9* backBuffer = nullptr;
};

TEST_F(SurfaceLockGLTest, ReadOnlyLockOfARectangleSeesThosePixels) {
    clearRect({8, 8, 16, 16}, kGreen);
    const RECT area = {8, 8, 24, 24};
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(D3D_OK, backBuffer->LockRect(&locked, &area, D3DLOCK_READONLY));
    EXPECT_EQ(kGreen & kRgbMask, pixelAt(locked, 0, 0));   // (8, 8)
    EXPECT_EQ(kGreen & kRgbMask, pixelAt(locked, 7, 7));   // (15, 15)
    EXPECT_EQ(kBlack & kRgbMask, pixelAt(locked, 8, 0));   // (16, 8)
    EXPECT_EQ(kBlack & kRgbMask, pixelAt(locked, 0, 8));   // (8, 16)
    EXPECT_EQ(D3D_OK, backBuffer->UnlockRect());
}

TEST_F(SurfaceLockGLTest, WritingARectangleLeavesTheRestOfTheSurface) {
    clearRect({32, 32, 48, 48}, kGreen);
    const RECT area = {4, 4, 12, 12};
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(D3D_OK, backBuffer->LockRect(&locked, &area, 0));
    for (int y = 0; y < area.bottom - area.top; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch);
        for (int x = 0; x < area.right - area.left; ++x) row[x] = kRed;
    }
    ASSERT_EQ(D3D_OK, backBuffer->UnlockRect());
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "surface_lock_rectangle_written");
    EXPECT_PIXEL_NEAR(image, 4, 4, kRed, 0);
    EXPECT_PIXEL_NEAR(image, 11, 11, kRed, 0);
    EXPECT_PIXEL_NEAR(image, 3, 4, kBlack, 0);
    EXPECT_PIXEL_NEAR(image, 12, 11, kBlack, 0);
    EXPECT_PIXEL_NEAR(image, 40, 40, kGreen, 0);
}

}  // namespace
}  // namespace pelmora::test
