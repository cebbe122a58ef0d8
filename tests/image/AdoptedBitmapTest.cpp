// The engine's copy of an adopted bitmap goes with the texture that holds it.
// (The host's handle deleted on adoption and refused when it names no bitmap
// is checked through newBillboard and newDecal.)
#include "image/BitmapTexture.h"

#include <pelmora/host.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace pelmora {
namespace {

std::vector<uint32_t> pixelsOf(int handle) {
    int width = 0, height = 0;
    const uint32_t* pixels = nullptr;
    if (PelmoraGetBitmapImage(handle, &width, &height, &pixels) != S_OK) return {};
    return {pixels, pixels + size_t(width) * height};
}

TEST(BitmapTexture, WithoutDeviceOrBitmapThereIsNoTextureAndTheCopyIsDeletedOnce) {
    EXPECT_EQ(BitmapTexture(0).textureFor(nullptr), nullptr);
    auto texture = std::make_unique<BitmapTexture>(PelmoraCreateBitmap(300, 100, nullptr));
    EXPECT_EQ(texture->textureFor(nullptr), nullptr);
    EXPECT_FALSE(texture->hasTexture());
    const int copy = texture->bitmap();
    ASSERT_FALSE(pixelsOf(copy).empty());
    texture.reset();
    EXPECT_TRUE(pixelsOf(copy).empty());
    EXPECT_EQ(DeleteObject(copy), 0);
}

}  // namespace
}  // namespace pelmora
