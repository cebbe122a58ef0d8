// The bitmap texture without a real device: what it holds before any draw,
// how it lets go of its bitmap, and how a failing device is reported.
#include "image/BitmapTexture.h"
#include "support/RecordingDevice.h"

#include <pelmora/host.h>

#include <gtest/gtest.h>

#include <memory>

namespace pelmora {
namespace {

bool bitmapAlive(int handle) {
    int width = 0, height = 0;
    const uint32_t* pixels = nullptr;
    return PelmoraGetBitmapImage(handle, &width, &height, &pixels) == S_OK;
}

// A device that cannot make textures.
class NoTextureDevice : public test::RecordingDevice {
public:
    static constexpr HRESULT kOutOfMemory = HRESULT(0x8007000E);
    HRESULT CreateTexture(UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DTexture9** texture,
                          void*) override {
        ++attempts;
        *texture = nullptr;
        return kOutOfMemory;
    }
    int attempts = 0;
};

TEST(BitmapTexture, WithoutDeviceOrBitmapThereIsNoTexture) {
    BitmapTexture none(0);
    EXPECT_EQ(none.textureFor(nullptr), nullptr);
    BitmapTexture image(PelmoraCreateBitmap(300, 100, nullptr));
    EXPECT_EQ(image.textureFor(nullptr), nullptr);
    EXPECT_FALSE(image.hasTexture());
    EXPECT_EQ(image.stripCount(), 1u);
    EXPECT_FALSE(image.isWide());
}

TEST(BitmapTexture, DestroyingItDeletesTheCopyOnce) {
    auto texture = std::make_unique<BitmapTexture>(PelmoraCreateBitmap(8, 8, nullptr));
    const int copy = texture->bitmap();
    ASSERT_TRUE(bitmapAlive(copy));
    texture.reset();
    EXPECT_FALSE(bitmapAlive(copy));
    EXPECT_EQ(DeleteObject(copy), 0);
}

TEST(BitmapTexture, PreloadedSizeIsOneSquarePiece) {
    BitmapTexture symbol(0);
    symbol.setPreloadedSize(16);
    EXPECT_EQ(symbol.bitmapWidth(), 16u);
    EXPECT_EQ(symbol.bitmapHeight(), 16u);
    EXPECT_EQ(symbol.textureSize(), 16u);
    EXPECT_EQ(symbol.stripCount(), 1u);
    EXPECT_FALSE(symbol.isTall());
}

TEST(BitmapTexture, FailedCreationIsTracedAndTriedAgainAtTheNextDraw) {
    NoTextureDevice device;
    BitmapTexture texture(PelmoraCreateBitmap(300, 100, nullptr));
    testing::internal::CaptureStdout();
    EXPECT_EQ(texture.textureFor(&device), nullptr);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("FAILED HRESULT (0x8007000e) [14] in DXTextureMesh.cpp @"), std::string::npos)
        << log;
    EXPECT_TRUE(texture.isWide());  // planned all the same
    EXPECT_EQ(texture.textureSize(), 256u);
    testing::internal::CaptureStdout();
    EXPECT_EQ(texture.textureFor(&device), nullptr);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(device.attempts, 2);
}

}  // namespace
}  // namespace pelmora
