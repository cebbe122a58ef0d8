// Texture creation with format substitution, the symbol atlas resource,
// surface loading with filters and colour keys, and saving surfaces to files.
#include "platform/d3dx/d3dx9tex.h"
#include "support/D3D9TestDevice.h"

#include <gtest/gtest.h>
#include <png.h>

namespace pelmora::test {
namespace {

constexpr uint32_t kTransparentBlack = 0x00000000;

// Reads a PNG with libpng's own reader, as 0xAARRGGBB.
Image readPng(const std::string& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    Image image;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return image;
    png.format = PNG_FORMAT_BGRA;
    image.width = int(png.width);
    image.height = int(png.height);
    image.pixels.resize(size_t(png.width) * png.height);
    if (!png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr)) return {};
    return image;
}

class D3DXTextureGLTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.ok()); }

    IDirect3DSurface9* surface(UINT w, UINT h, D3DFORMAT format, const std::vector<uint32_t>& argb) {
        IDirect3DSurface9* made = nullptr;
        EXPECT_EQ(device->CreateOffscreenPlainSurface(w, h, format, D3DPOOL_SYSTEMMEM, &made, nullptr), D3D_OK);
        const RECT whole{0, 0, LONG(w), LONG(h)};
        if (!argb.empty()) {
            EXPECT_EQ(D3DXLoadSurfaceFromMemory(made, nullptr, nullptr, argb.data(), D3DFMT_A8R8G8B8, w * 4, nullptr,
                                                &whole, D3DX_FILTER_NONE, 0),
                      D3D_OK);
        }
        return made;
    }

    D3D9TestDevice device{DeviceOptions{64, 64}};
};

// The device offers no A8R3G3B2 textures, so textures never drop to 3-3-2.
TEST_F(D3DXTextureGLTest, MissingA8R3G3B2BecomesTheNearestOfferedFormat) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTexture(device.device(), 256, 256, 0, 0, D3DFMT_A8R3G3B2, D3DPOOL_MANAGED, &texture), D3D_OK);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);  // keeps the 8 bits of alpha
    EXPECT_EQ(desc.Width, 256u);
    EXPECT_EQ(texture->GetLevelCount(), 9u);  // 256 down to 1
    // Usable: a keyed load leaves transparent black where the key was.
    IDirect3DSurface9* top = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(0, &top), D3D_OK);
    IDirect3DSurface9* source = surface(2, 1, D3DFMT_R5G6B5, {0xFF000000, 0xFFFF0000});
    const RECT corner{0, 0, 2, 1};
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(top, nullptr, &corner, source, nullptr, nullptr, D3DX_FILTER_POINT, 0xFF000000),
              D3D_OK);
    const Image pixels = device.readSurface(top);
    EXPECT_EQ(pixels.at(0, 0), kTransparentBlack);
    EXPECT_EQ(pixels.at(1, 0), 0xFFFF0000u);
    source->Release();
    top->Release();
    texture->Release();
}

TEST_F(D3DXTextureGLTest, SymbolAtlasResourceIsKeyedWithAFullChainAndOthersAreInvalid) {
    IDirect3DTexture9* atlas = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXCreateTextureFromResourceEx(device.device(), nullptr, MAKEINTRESOURCEA(102), 0, 0, D3DX_DEFAULT, 0,
                                              D3DFMT_UNKNOWN, D3DPOOL_DEFAULT, D3DX_FILTER_NONE, D3DX_FILTER_NONE,
                                              0xFF000000, &info, nullptr, &atlas),
              D3D_OK);
    EXPECT_EQ(info.Width, 128u);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_BMP);
    EXPECT_EQ(atlas->GetLevelCount(), 8u);
    D3DSURFACE_DESC desc{};
    atlas->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
    IDirect3DSurface9* top = nullptr;
    ASSERT_EQ(atlas->GetSurfaceLevel(0, &top), D3D_OK);
    const Image image = device.readSurface(top);
    D3D9TestDevice::savePng(image, "d3dx_symbol_atlas");
    EXPECT_EQ(image.at(0, 80), 0xFFC0C0C0u);       // a bordered square's corner
    EXPECT_EQ(image.at(7, 87), kTransparentBlack);  // and its keyed inside
    EXPECT_EQ(image.at(123, 3), 0xFFFFFFFFu);       // the hot point's white dot
    top->Release();
    atlas->Release();
    IDirect3DTexture9* unknown = nullptr;
    EXPECT_EQ(D3DXCreateTextureFromResourceEx(device.device(), nullptr, MAKEINTRESOURCEA(101), 0, 0, 1, 0,
                                              D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                              nullptr, &unknown),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(unknown, nullptr);
}

TEST_F(D3DXTextureGLTest, LoadScalesWithTheFilterAfterKeying) {
    // A 4 x 2 source: black keyed out on the left half, white on the right.
    const uint32_t b = 0xFF000000, w = 0xFFFFFFFF;
    IDirect3DSurface9* source = surface(4, 2, D3DFMT_X8R8G8B8, {b, b, w, w, b, b, w, w});
    IDirect3DSurface9* dest = surface(2, 1, D3DFMT_A8R8G8B8, {});
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(dest, nullptr, nullptr, source, nullptr, nullptr, D3DX_FILTER_BOX, b), D3D_OK);
    Image image = device.readSurface(dest);
    EXPECT_EQ(image.at(0, 0), kTransparentBlack);
    EXPECT_EQ(image.at(1, 0), w);
    // A source rectangle straddling both halves averages them under the box filter.
    const RECT middle{1, 0, 3, 2}, one{0, 0, 1, 1};
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(dest, nullptr, &one, source, nullptr, &middle, D3DX_FILTER_BOX, b), D3D_OK);
    EXPECT_EQ(device.readSurface(dest).at(0, 0), 0x80808080u);
    EXPECT_EQ(D3DXLoadSurfaceFromSurface(dest, nullptr, nullptr, source, nullptr, nullptr, 9, 0), D3DERR_INVALIDCALL);
    const RECT outside{0, 0, 5, 1};
    EXPECT_EQ(D3DXLoadSurfaceFromSurface(dest, nullptr, nullptr, source, nullptr, &outside, D3DX_FILTER_POINT, 0),
              D3DERR_INVALIDCALL);
    dest->Release();
    source->Release();
}

TEST_F(D3DXTextureGLTest, SavedPngReadsBackWithTheSamePixels) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
    const D3DRECT block{8, 4, 24, 12};
    device->Clear(1, &block, D3DCLEAR_TARGET, 0xFFE0C0A0, 1.0f, 0);
    IDirect3DSurface9* backBuffer = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
    const std::string path = D3D9TestDevice::imagePath("d3dx_saved_back_buffer.png");
    const RECT part{4, 2, 36, 18};
    ASSERT_EQ(D3DXSaveSurfaceToFile(path.c_str(), D3DXIFF_PNG, backBuffer, nullptr, &part), D3D_OK);
    const Image expected = device.readBackBuffer();
    const Image saved = readPng(path);
    ASSERT_EQ(saved.width, 32);
    ASSERT_EQ(saved.height, 16);
    for (int y = 0; y < saved.height; ++y)
        for (int x = 0; x < saved.width; ++x)
            ASSERT_EQ(saved.at(x, y), expected.at(x + 4, y + 2)) << "at " << x << ", " << y;
    EXPECT_EQ(saved.at(4, 2), 0xFFE0C0A0u);
    EXPECT_EQ(D3DXSaveSurfaceToFile(path.c_str(), D3DXIFF_DDS, backBuffer, nullptr, nullptr), E_NOTIMPL);
    backBuffer->Release();
}

TEST_F(D3DXTextureGLTest, RenderTargetsThatCannotBeLockedAreSavedThroughSystemMemory) {
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(device->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr),
              D3D_OK);
    IDirect3DSurface9* source = surface(1, 1, D3DFMT_A8R8G8B8, {0x80FF8040});
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(target, nullptr, nullptr, source, nullptr, nullptr, D3DX_FILTER_POINT, 0),
              D3D_OK);
    const std::string path = D3D9TestDevice::imagePath("d3dx_saved_render_target.png");
    ASSERT_EQ(D3DXSaveSurfaceToFile(path.c_str(), D3DXIFF_PNG, target, nullptr, nullptr), D3D_OK);
    const Image saved = readPng(path);
    ASSERT_EQ(saved.width, 16);
    EXPECT_EQ(saved.at(9, 9), 0x80FF8040u);  // alpha kept: the format has it
    source->Release();
    target->Release();
}

}  // namespace
}  // namespace pelmora::test
