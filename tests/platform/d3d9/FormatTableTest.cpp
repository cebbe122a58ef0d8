// Pixel layouts of the device's formats: conversions to and from 0xAARRGGBB
// and the formats that are listed as unavailable.
#include "platform/d3d9/gl/FormatTable.h"

#include <gtest/gtest.h>

namespace pelmora::d3d9gl {
namespace {

TEST(FormatTableTest, ColoursRoundTripThroughEachLayout) {
    struct Case {
        D3DFORMAT format;
        uint32_t argb, back;
    };
    const Case cases[] = {
        {D3DFMT_R5G6B5, 0x000000FF, 0xFF0000FF},  // no alpha: opaque
        {D3DFMT_A1R5G5B5, 0x40FF0000, 0x00FF0000},  {D3DFMT_A4R4G4B4, 0x80FF0000, 0x88FF0000},
        {D3DFMT_A8R8G8B8, 0x80123456, 0x80123456},  {D3DFMT_X8R8G8B8, 0x80123456, 0xFF123456},
        {D3DFMT_A2R10G10B10, 0xFFFFFFFF, 0xFFFFFFFF}, {D3DFMT_A8, 0x7FFFFFFF, 0x7F000000},
        {D3DFMT_L8, 0xFF808080, 0xFF808080},       {D3DFMT_A8R3G3B2, 0xC0FFFFFF, 0xC0FFFFFF},
    };
    for (const Case& c : cases) {
        const FormatInfo* info = findFormat(c.format);
        ASSERT_NE(nullptr, info) << c.format;
        uint8_t pixel[4] = {};
        argbToPixel(*info, c.argb, pixel);
        EXPECT_EQ(c.back, pixelToArgb(*info, pixel)) << "format " << c.format;
    }
}

TEST(FormatTableTest, ChannelsSitWhereDirect3DPutsThem) {
    uint8_t pixel[4] = {};
    argbToPixel(*findFormat(D3DFMT_R5G6B5), 0xFF00FF00, pixel);
    EXPECT_EQ(0x07E0, pixel[0] | pixel[1] << 8);
    argbToPixel(*findFormat(D3DFMT_A8B8G8R8), 0x80112233, pixel);
    EXPECT_EQ(0x11, pixel[0]);  // red first in memory
    EXPECT_EQ(0x33, pixel[2]);
    EXPECT_TRUE(findFormat(D3DFMT_A8R3G3B2)->uploadAsArgb);
    EXPECT_EQ(2, findFormat(D3DFMT_A8R3G3B2)->bytesPerPixel);
    // Rows convert with their own strides: 3 pixels a source row, 2 a target row.
    const uint16_t source[2 * 3] = {0xF800, 0x07E0, 0, 0x001F, 0xFFFF, 0};
    uint32_t target[2 * 2] = {};
    convertRowsToArgb(*findFormat(D3DFMT_R5G6B5), reinterpret_cast<const uint8_t*>(source), 6, target, 8, 2, 2);
    EXPECT_EQ((std::vector<uint32_t>(target, target + 4)),
              (std::vector<uint32_t>{0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu}));
}

}  // namespace
}  // namespace pelmora::d3d9gl
