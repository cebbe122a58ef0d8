// The bitmap texture without a real device: what it holds before any draw,
// and how it lets go of its bitmap.
#include "image/BitmapTexture.h"

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

}  // namespace
}  // namespace pelmora
