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

class D3DXFontGLTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.ok()); }
    void TearDown() override {
        if (font) {
            EXPECT_EQ(font->Release(), 0u);
        }
    }
    void create(INT height) {
        ASSERT_EQ(D3DXCreateFont(device.device(), height, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial", &font),
                  D3D_OK);
    }
    // Draws on a cleared target; the extent of what lit up.
    Extent draw(const char* text, RECT rect, DWORD format, INT* height = nullptr, RECT* measured = nullptr) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
        const INT drawn = font->DrawTextA(nullptr, text, -1, &rect, format, kTextColour);
        if (height) *height = drawn;
        if (measured) *measured = rect;
        image = device.readBackBuffer();
        Extent e;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                if (green(image.at(x, y)) > 128) {
                    e = {std::min(e.left, x), std::min(e.top, y), std::max(e.right, x), std::max(e.bottom, y), e.lit + 1};
                }
        return e;
    }

    D3D9TestDevice device{DeviceOptions{kSize, kSize}};
    ID3DXFont* font = nullptr;
    Image image;
};

TEST_F(D3DXFontGLTest, TextLandsInTheTopLeftOfItsRectangleAndNowhereElse) {
    create(18);  // twice the face's own cell: 12 x 18 pixels a character
    INT height = 0;
    const Extent e = draw("FPS: 60", {10, 20, 120, 120}, DT_LEFT | DT_TOP, &height);
    D3D9TestDevice::savePng(image, "d3dx_font_text");
    EXPECT_EQ(height, 18);
    EXPECT_GT(e.lit, 100);
    // The F's top-left pixel block starts exactly at the rectangle's corner.
    EXPECT_EQ(e.left, 10);
    EXPECT_EQ(e.top, 20);
    EXPECT_PIXEL_NEAR(image, 11, 21, kTextColour, 0);
    // Seven cells of 12 pixels, the last column of each blank; glyph rows 0-7 of 9.
    EXPECT_LE(e.right, 10 + 7 * 12 - 2);
    EXPECT_GE(e.right, 10 + 6 * 12);
    EXPECT_LE(e.bottom, 20 + 16 - 1);
}

TEST_F(D3DXFontGLTest, ClippingAndMeasuring) {
    create(9);
    Extent e = draw("WWWW", {4, 4, 16, 8}, DT_LEFT);
    EXPECT_GE(e.left, 4);
    EXPECT_LE(e.right, 15);
    EXPECT_LE(e.bottom, 7);
    e = draw("WWWW", {4, 4, 16, 8}, DT_LEFT | DT_NOCLIP);
    EXPECT_GT(e.right, 15);
    EXPECT_GT(e.bottom, 7);
    RECT measured{};
    INT height = 0;
    EXPECT_EQ(draw("abc\nde", {0, 0, 0, 0}, DT_CALCRECT, &height, &measured).lit, 0) << "measuring draws nothing";
    EXPECT_EQ(height, 18);
    EXPECT_EQ(measured.right, 18);
    EXPECT_EQ(measured.bottom, 18);
}

TEST_F(D3DXFontGLTest, RefusesSpritesAndMissingArguments) {
    create(9);
    RECT rect{0, 0, 64, 64};
    EXPECT_EQ(font->DrawTextA(reinterpret_cast<LPD3DXSPRITE>(&rect), "x", 1, &rect, DT_LEFT, kTextColour), 0);
    EXPECT_EQ(font->DrawTextA(nullptr, "x", 1, nullptr, DT_LEFT, kTextColour), 0);
    EXPECT_EQ(font->OnLostDevice(), D3D_OK);
}

}  // namespace
}  // namespace pelmora::test
