// Adopting the host's bitmap: the engine keeps a copy of its own, the host's
// handle is gone, and the copy goes with the texture that holds it.
#include "image/AdoptedBitmap.h"
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

TEST(AdoptedBitmap, KeepsACopyAndDeletesTheHostsHandle) {
    const std::vector<uint32_t> pixels = {0xFF102030, 0xFF405060, 0x80708090, 0x00000000, 0xFFFFFFFF, 0xFF0000FF};
    const int host = PelmoraCreateBitmap(3, 2, pixels.data());
    AdoptedBitmap adopted(host);
    EXPECT_NE(adopted.handle(), 0);
    EXPECT_NE(adopted.handle(), host);
    EXPECT_EQ(PelmoraGetBitmapImage(host, nullptr, nullptr, nullptr), E_HANDLE);
    EXPECT_EQ(pixelsOf(adopted.handle()), pixels);
    UINT width = 0, height = 0;
    ASSERT_TRUE(adopted.size(&width, &height));
    EXPECT_EQ(width, 3u);
    EXPECT_EQ(height, 2u);

    testing::internal::CaptureStdout();
    AdoptedBitmap none(0x7FFF0001);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(none.handle(), 0);
    EXPECT_NE(log.find("copyBitmap: 2147418113 is not a bitmap"), std::string::npos) << log;
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
