// The font object on a real device: where its pixels land.
#include "platform/d3dx/d3dx9font.h"
#include "support/D3D9TestDevice.h"

#include <gtest/gtest.h>

namespace pelmora::test {
namespace {

constexpr D3DCOLOR kBlack = 0xFF000000;
constexpr D3DCOLOR kTextColour = 0xFF00FF00;
constexpr int kSize = 128;

struct Extent {
    int left = kSize, top = kSize, right = -1, bottom = -1, lit = 0;
};

Extent litExtent(const Image& image) {
    Extent e;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (green(image.at(x, y)) > 128) {
                e.left = std::min(e.left, x);
                e.top = std::min(e.top, y);
                e.right = std::max(e.right, x);
                e.bottom = std::max(e.bottom, y);
                ++e.lit;
            }
    return e;
}

class D3DXFontGLTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.ok());
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    }
    void TearDown() override {
        if (font) {
            EXPECT_EQ(font->Release(), 0u);
        }
    }
    void create(INT height, UINT weight = FW_NORMAL) {
        ASSERT_EQ(D3DXCreateFont(device.device(), height, 0, weight, 1, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial", &font),
                  D3D_OK);
    }

    D3D9TestDevice device{DeviceOptions{kSize, kSize}};
    ID3DXFont* font = nullptr;
};

TEST_F(D3DXFontGLTest, TextLandsInTheTopLeftOfItsRectangleAndNowhereElse) {
    create(18);  // twice the face's own cell: 12 x 18 pixels a character
    RECT rect{10, 20, 120, 120};
    const INT height = font->DrawTextA(nullptr, "FPS: 60", -1, &rect, DT_LEFT | DT_TOP, kTextColour);
    EXPECT_EQ(height, 18);
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "d3dx_font_text");
    const Extent e = litExtent(image);
    EXPECT_GT(e.lit, 100);
    // The F's top-left pixel block starts exactly at the rectangle's corner.
    EXPECT_EQ(e.left, 10);
    EXPECT_EQ(e.top, 20);
    EXPECT_PIXEL_NEAR(image, 10, 20, kTextColour, 0);
    EXPECT_PIXEL_NEAR(image, 11, 21, kTextColour, 0);
    // Seven cells of 12 pixels, the last column of each blank; glyph rows 0-7 of 9.
    EXPECT_LE(e.right, 10 + 7 * 12 - 2);
    EXPECT_LE(e.bottom, 20 + 16 - 1);
    EXPECT_GE(e.right, 10 + 6 * 12);
}

TEST_F(D3DXFontGLTest, ClippedToTheRectangleUnlessNoClip) {
    create(9);
    RECT narrow{4, 4, 16, 8};
    font->DrawTextA(nullptr, "WWWW", 4, &narrow, DT_LEFT, kTextColour);
    Extent e = litExtent(device.readBackBuffer());
    EXPECT_GE(e.left, 4);
    EXPECT_LE(e.right, 15);
    EXPECT_LE(e.bottom, 7);

    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    font->DrawTextA(nullptr, "WWWW", 4, &narrow, DT_LEFT | DT_NOCLIP, kTextColour);
    e = litExtent(device.readBackBuffer());
    EXPECT_GT(e.right, 15);
    EXPECT_GT(e.bottom, 7);
}

TEST_F(D3DXFontGLTest, AlignmentAndMeasuring) {
    create(9);
    RECT measure{0, 0, 0, 0};
    EXPECT_EQ(font->DrawTextA(nullptr, "abc\nde", -1, &measure, DT_CALCRECT, kTextColour), 18);
    EXPECT_EQ(measure.right, 18);
    EXPECT_EQ(measure.bottom, 18);
    EXPECT_EQ(litExtent(device.readBackBuffer()).lit, 0);  // measuring draws nothing

    RECT rect{0, 0, kSize, kSize};
    font->DrawTextA(nullptr, "I", 1, &rect, DT_RIGHT | DT_BOTTOM, kTextColour);
    const Extent e = litExtent(device.readBackBuffer());
    EXPECT_GE(e.left, kSize - 6);
    EXPECT_GE(e.top, kSize - 9);
    EXPECT_LE(e.bottom, kSize - 2);
}

TEST_F(D3DXFontGLTest, BoldStrokesAreWider) {
    create(9);
    RECT rect{0, 0, kSize, kSize};
    font->DrawTextA(nullptr, "l", 1, &rect, DT_LEFT, kTextColour);
    const int normal = litExtent(device.readBackBuffer()).lit;
    font->Release();
    font = nullptr;
    create(9, FW_BOLD);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    font->DrawTextA(nullptr, "l", 1, &rect, DT_LEFT, kTextColour);
    EXPECT_GT(litExtent(device.readBackBuffer()).lit, normal);
}

TEST_F(D3DXFontGLTest, RefusesSpritesAndMissingArguments) {
    create(9);
    RECT rect{0, 0, 64, 64};
    EXPECT_EQ(font->DrawTextA(reinterpret_cast<LPD3DXSPRITE>(&rect), "x", 1, &rect, DT_LEFT, kTextColour), 0);
    EXPECT_EQ(font->DrawTextA(nullptr, nullptr, 1, &rect, DT_LEFT, kTextColour), 0);
    EXPECT_EQ(font->DrawTextA(nullptr, "x", 1, nullptr, DT_LEFT, kTextColour), 0);
    EXPECT_EQ(font->DrawTextA(nullptr, "", -1, &rect, DT_LEFT, kTextColour), 0);
    EXPECT_EQ(font->OnLostDevice(), D3D_OK);
    EXPECT_EQ(font->OnResetDevice(), D3D_OK);
}

}  // namespace
}  // namespace pelmora::test
