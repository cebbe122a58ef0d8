// The embedded symbol atlas: a valid 4-bit BMP whose art keeps to the layout.
#include "platform/d3dx/D3DXSymbolAtlas.h"
#include "platform/imaging/ImageFile.h"

#include <gtest/gtest.h>

#include <set>

namespace pelmora::d3dx {
namespace {

constexpr uint32_t kBlack = 0xFF000000, kWhite = 0xFFFFFFFF, kLight = 0xFFC0C0C0, kDark = 0xFF808080;

TEST(D3DXSymbolAtlasTest, IsA128Square4BitBitmapInFourColoursWithGlyphsInTheirCells) {
    const std::vector<uint8_t> bytes = symbolAtlasBitmap();
    imaging::Image image;
    ASSERT_EQ(imaging::readBmpMemory(bytes.data(), bytes.size(), "atlas", &image), S_OK);
    EXPECT_EQ(bytes[28], 4);  // bits per pixel
    ASSERT_EQ(image.width, 128);
    ASSERT_EQ(image.height, 128);
    for (uint32_t colour : std::set<uint32_t>(image.pixels.begin(), image.pixels.end()))
        EXPECT_TRUE(colour == kBlack || colour == kWhite || colour == kLight || colour == kDark) << std::hex << colour;
    const auto at = [&](int x, int y) { return image.pixels[size_t(y) * image.width + x]; };
    EXPECT_EQ(at(0, 0), kWhite);          // coincident: the kinked line starts top left
    EXPECT_EQ(at(64 + 0, 2), kWhite);     // equal sign (id 8), top bar
    EXPECT_EQ(at(64 + 0, 3), kBlack);
    EXPECT_EQ(at(123, 3), kWhite);        // hot point (id 15), its dot
    EXPECT_EQ(at(72 + 1, 5), kLight);     // padlock (id 9), its grey body
    // The big padlock (id 44, cell at (64, 48)) is the small one doubled.
    EXPECT_EQ(at(64 + 4, 48 + 0), kWhite);
    EXPECT_EQ(at(64 + 3, 48 + 11), kLight);
    EXPECT_EQ(at(8 + 4, 8 + 0), kWhite);  // question mark (id 17)
    EXPECT_EQ(at(23 * 8 % 128 + 3, 8 + 3), kBlack);  // id 23 is an empty cell
    // The bottom rows hold twenty-four bordered squares.
    for (int top = 80; top < 128; top += 16)
        for (int left = 0; left < 128; left += 16) {
            EXPECT_EQ(at(left, top), kLight);
            EXPECT_EQ(at(left + 15, top + 7), kLight);
            EXPECT_EQ(at(left + 7, top + 15), kLight);
            EXPECT_EQ(at(left + 7, top + 7), kBlack);
        }
}

}  // namespace
}  // namespace pelmora::d3dx
