// Pixel layouts of the device's formats: conversions to and from 0xAARRGGBB
// and the formats that are listed as unavailable.
#include "platform/d3d9/gl/FormatTable.h"

#include <gtest/gtest.h>

namespace pelmora::d3d9gl {
namespace {

uint32_t roundTrip(D3DFORMAT format, uint32_t argb) {
    const FormatInfo* info = findFormat(format);
    uint8_t pixel[4] = {};
    argbToPixel(*info, argb, pixel);
    return pixelToArgb(*info, pixel);
}

TEST(FormatTableTest, SixteenBitLayoutsPlaceChannelsAsDirect3DDoes) {
    const FormatInfo* r5g6b5 = findFormat(D3DFMT_R5G6B5);
    ASSERT_NE(nullptr, r5g6b5);
    uint8_t pixel[2] = {};
    argbToPixel(*r5g6b5, 0xFFFF0000, pixel);
    EXPECT_EQ(0xF800, pixel[0] | pixel[1] << 8);
    argbToPixel(*r5g6b5, 0xFF00FF00, pixel);
    EXPECT_EQ(0x07E0, pixel[0] | pixel[1] << 8);
    EXPECT_EQ(0xFF0000FFu, roundTrip(D3DFMT_R5G6B5, 0x000000FF));  // no alpha: opaque
    EXPECT_EQ(0x00FF0000u, roundTrip(D3DFMT_A1R5G5B5, 0x40FF0000));
    EXPECT_EQ(0x88FF0000u, roundTrip(D3DFMT_A4R4G4B4, 0x80FF0000));
}

TEST(FormatTableTest, ThirtyTwoBitLayouts) {
    EXPECT_EQ(0x80123456u, roundTrip(D3DFMT_A8R8G8B8, 0x80123456));
    EXPECT_EQ(0xFF123456u, roundTrip(D3DFMT_X8R8G8B8, 0x80123456));
    const FormatInfo* abgr = findFormat(D3DFMT_A8B8G8R8);
    uint8_t pixel[4] = {};
    argbToPixel(*abgr, 0x80112233, pixel);
    EXPECT_EQ(0x11, pixel[0]);  // red first in memory
    EXPECT_EQ(0x33, pixel[2]);
    EXPECT_EQ(0xFFFFFFFFu, roundTrip(D3DFMT_A2R10G10B10, 0xFFFFFFFF));
}

TEST(FormatTableTest, EightBitAlphaAndLuminance) {
    EXPECT_EQ(0x7F000000u, roundTrip(D3DFMT_A8, 0x7FFFFFFF));
    EXPECT_EQ(0xFF808080u, roundTrip(D3DFMT_L8, 0xFF808080));
    EXPECT_EQ(0xC0FFFFFFu, roundTrip(D3DFMT_A8R3G3B2, 0xC0FFFFFF));
    const FormatInfo* a8r3g3b2 = findFormat(D3DFMT_A8R3G3B2);
    EXPECT_TRUE(a8r3g3b2->uploadAsArgb);
    EXPECT_EQ(2, a8r3g3b2->bytesPerPixel);
}

TEST(FormatTableTest, RowsConvertWithTheirStrides) {
    const FormatInfo* info = findFormat(D3DFMT_R5G6B5);
    const uint16_t source[2 * 3] = {0xF800, 0x07E0, 0, 0x001F, 0xFFFF, 0};  // stride of 3 pixels
    uint32_t target[2 * 2] = {};
    convertRowsToArgb(*info, reinterpret_cast<const uint8_t*>(source), 6, target, 8, 2, 2);
    EXPECT_EQ(0xFFFF0000u, target[0]);
    EXPECT_EQ(0xFF00FF00u, target[1]);
    EXPECT_EQ(0xFF0000FFu, target[2]);
    EXPECT_EQ(0xFFFFFFFFu, target[3]);
}

TEST(FormatTableTest, KindsAndUnavailableRows) {
    EXPECT_TRUE(isDepthFormat(D3DFMT_D24S8));
    EXPECT_EQ(8, findFormat(D3DFMT_D24S8)->stencilBits);
    EXPECT_TRUE(findFormat(D3DFMT_D32F_LOCKABLE)->floatDepth);
    EXPECT_FALSE(isColourFormat(D3DFMT_D16));
    EXPECT_EQ(FormatKind::Unsupported, findFormat(D3DFMT_D15S1)->kind);
    EXPECT_EQ(FormatKind::Unsupported, findFormat(D3DFMT_P8)->kind);
    EXPECT_EQ(FormatKind::Index, findFormat(D3DFMT_INDEX32)->kind);
    EXPECT_EQ(nullptr, findFormat(D3DFORMAT(12345)));
}

}  // namespace
}  // namespace pelmora::d3d9gl
