// Bitmaps turned into textures on the real device: which colours survive
// and which become transparent, and one texture per device. (Where a wide
// bitmap's strips land is checked by StripPieces and by the pixels of
// AWideHostBitmapShowsAsTwoStrips through IDXContext.)
#include "image/BitmapTexture.h"
#include "support/D3D9TestDevice.h"
#include "support/RecordingDevice.h"

#include <pelmora/host.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace pelmora::test {
namespace {

// Colours every stage keeps exactly, the 5-6-5 staging included.
constexpr uint32_t kOrange = 0xFFFF0000;
constexpr uint32_t kTeal = 0xFF00FFFF;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kClear = 0x00000000;  // keyed: transparent black
constexpr uint32_t kBlue = 0xFF0000FF;

// A host bitmap painted by a function of (x, y).
int hostBitmap(int width, int height, const std::function<uint32_t(int, int)>& paint) {
    std::vector<uint32_t> pixels(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels[size_t(y) * width + x] = paint(x, y);
    return PelmoraCreateBitmap(width, height, pixels.data());
}

// The top level as 0xAARRGGBB, whatever the texture's format, through its
// device context.
Image texelsOf(IDirect3DTexture9* texture) {
    Image image;
    IDirect3DSurface9* top = nullptr;
    if (!texture || FAILED(texture->GetSurfaceLevel(0, &top))) return image;
    HDC dc = 0;
    uint32_t* pixels = nullptr;
    int stride = 0;
    if (SUCCEEDED(top->GetDC(&dc)) && PelmoraGetDCImage(dc, &image.width, &image.height, &pixels, &stride) == S_OK)
        for (int y = 0; y < image.height; ++y)
            image.pixels.insert(image.pixels.end(), pixels + size_t(y) * stride, pixels + size_t(y) * stride + image.width);
    if (dc) top->ReleaseDC(dc);
    top->Release();
    return image;
}

ULONG referenceCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

class BitmapTextureGLTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.ok()); }
    D3D9TestDevice device;
};

TEST_F(BitmapTextureGLTest, NearlyBlackPixelsBecomeTransparentAndShowWhatIsBehind) {
    const uint32_t pixels[2][3] = {{0xFF070307, 0xFF080000, 0xFF000400}, {0xFF000008, 0xFF000000, kTeal}};
    BitmapTexture small(hostBitmap(3, 2, [&](int x, int y) { return pixels[y][x]; }));
    const Image texels = texelsOf(small.textureFor(device.device()));
    ASSERT_EQ(texels.width, 4);
    EXPECT_EQ(texels.at(0, 0), kClear);        // (7, 3, 7)
    EXPECT_EQ(alpha(texels.at(1, 0)), 0xFF);  // (8, 0, 0) stays, however dark it comes out
    EXPECT_EQ(alpha(texels.at(2, 0)), 0xFF);  // (0, 4, 0)
    EXPECT_EQ(alpha(texels.at(0, 1)), 0xFF);  // (0, 0, 8)
    EXPECT_EQ(texels.at(1, 1), kClear);
    EXPECT_EQ(texels.at(2, 1), kTeal);

    // Left half white, right half (7, 3, 7), drawn over blue with alpha blending.
    BitmapTexture halves(hostBitmap(64, 64, [](int x, int) { return x < 32 ? kWhite : 0xFF070307; }));
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlue, 1.0f, 0);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTexture(0, halves.textureFor(device.device()));
    device->SetFVF(kTLTexFvf);
    const TLTexVertex quad[4] = {{-0.5f, -0.5f, 0, 1, kWhite, 0, 0}, {63.5f, -0.5f, 0, 1, kWhite, 1, 0},
                                 {-0.5f, 63.5f, 0, 1, kWhite, 0, 1}, {63.5f, 63.5f, 0, 1, kWhite, 1, 1}};
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(TLTexVertex)), D3D_OK);
    device->SetTexture(0, nullptr);
    const Image frame = device.readBackBuffer();
    D3D9TestDevice::savePng(frame, "bitmap_texture_keyed_over_blue");
    EXPECT_PIXEL_NEAR(frame, 31, 10, kWhite, 2);
    EXPECT_PIXEL_NEAR(frame, 32, 10, kBlue, 2);
}

TEST_F(BitmapTextureGLTest, OneTexturePerDevice) {
    D3D9TestDevice other;
    ASSERT_TRUE(other.ok());
    BitmapTexture texture(hostBitmap(16, 16, [](int, int) { return kOrange; }));
    const ULONG unused = referenceCount(device.device());
    IDirect3DTexture9* first = texture.textureFor(device.device());
    ASSERT_NE(first, nullptr);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(first->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);  // the nearest offered format
    EXPECT_EQ(first->GetLevelCount(), 5u);    // 16 down to 1
    EXPECT_EQ(texture.textureFor(device.device()), first);  // made once, then reused
    IDirect3DTexture9* second = texture.textureFor(other.device());
    ASSERT_NE(second, nullptr);
    IDirect3DDevice9* owner = nullptr;
    ASSERT_EQ(second->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner, other.device());
    owner->Release();
    EXPECT_EQ(referenceCount(device.device()), unused);  // the first device's texture is gone
    EXPECT_EQ(texelsOf(texture.textureFor(device.device())).at(3, 3), kOrange);  // and back again
    texture.releaseDeviceObjects();
    EXPECT_FALSE(texture.hasTexture());
    EXPECT_EQ(referenceCount(device.device()), unused);
}

// The real device, except that it cannot make textures.
class NoTextureDevice : public RecordingDevice {
public:
    using RecordingDevice::RecordingDevice;
    HRESULT CreateTexture(UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DTexture9** texture, void*) override {
        ++attempts;
        *texture = nullptr;
        return E_OUTOFMEMORY;
    }
    int attempts = 0;
};

TEST_F(BitmapTextureGLTest, FailedCreationIsTracedAndTriedAgainAtTheNextDraw) {
    NoTextureDevice failing(device.device());
    BitmapTexture texture(hostBitmap(300, 100, [](int, int) { return kOrange; }));
    testing::internal::CaptureStdout();
    EXPECT_EQ(texture.textureFor(&failing), nullptr);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("FAILED HRESULT (0x8007000e) [14] in DXTextureMesh.cpp @"), std::string::npos) << log;
    EXPECT_TRUE(texture.isWide());  // planned all the same
    EXPECT_EQ(texture.textureSize(), 256u);
    testing::internal::CaptureStdout();
    EXPECT_EQ(texture.textureFor(&failing), nullptr);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(failing.attempts, 2);
    EXPECT_NE(texture.textureFor(device.device()), nullptr);
}

}  // namespace
}  // namespace pelmora::test
