// The embedded symbol atlas: a valid 4-bit BMP in the four colours of the
// artwork, every named symbol drawn inside its own cell and nothing in the
// cells no id names, and the bordered squares below.
#include "platform/d3dx/D3DXSymbolAtlas.h"
#include "platform/imaging/ImageFile.h"

#include <gtest/gtest.h>

#include <set>

namespace pelmora::d3dx {
namespace {

constexpr uint32_t kBlack = 0xFF000000, kWhite = 0xFFFFFFFF, kLight = 0xFFC0C0C0, kDark = 0xFF808080;

// The ids of the enumeration: 0 to 21 small, 32 to 54 big.
bool named(int id) { return (id >= 0 && id <= 21) || (id >= 32 && id <= 54); }

class D3DXSymbolAtlasTest : public testing::Test {
protected:
    void SetUp() override {
        bytes = symbolAtlasBitmap();
        ASSERT_EQ(imaging::readBmpMemory(bytes.data(), bytes.size(), "atlas", &image), S_OK);
    }
    uint32_t at(int x, int y) const { return image.pixels[size_t(y) * image.width + x]; }
    int litPixels(const AtlasCell& cell) const {
        int lit = 0;
        for (int y = cell.y; y < cell.y + cell.size; ++y)
            for (int x = cell.x; x < cell.x + cell.size; ++x) lit += at(x, y) != kBlack;
        return lit;
    }

    std::vector<uint8_t> bytes;
    imaging::Image image;
};

TEST_F(D3DXSymbolAtlasTest, IsA128Square4BitBitmapInTheFourColoursOfTheArtwork) {
    EXPECT_EQ(bytes[28], 4);  // bits per pixel
    ASSERT_EQ(image.width, 128);
    ASSERT_EQ(image.height, 128);
    for (uint32_t colour : std::set<uint32_t>(image.pixels.begin(), image.pixels.end()))
        EXPECT_TRUE(colour == kBlack || colour == kWhite || colour == kLight || colour == kDark) << std::hex << colour;
    EXPECT_EQ(symbolAtlasIndices().size(), size_t(128 * 128));
}

TEST_F(D3DXSymbolAtlasTest, EveryNamedSymbolIsDrawnInItsCellAndTheOtherCellsAboveTheSquaresAreEmpty) {
    // Cells by the layout: small ones 16 to a row from the top, big ones 8
    // to a row from pixel row 32.
    EXPECT_EQ((std::tuple{atlasCellOf(9).x, atlasCellOf(9).y, atlasCellOf(9).size}), (std::tuple{72, 0, 8}));
    EXPECT_EQ((std::tuple{atlasCellOf(21).x, atlasCellOf(21).y}), (std::tuple{40, 8}));
    EXPECT_EQ((std::tuple{atlasCellOf(44).x, atlasCellOf(44).y, atlasCellOf(44).size}), (std::tuple{64, 48, 16}));
    EXPECT_EQ((std::tuple{atlasCellOf(55).x, atlasCellOf(55).y}), (std::tuple{112, 64}));
    int pixelsInCells = 0;
    for (int id = 0; id <= 55; ++id) {
        if (id >= 22 && id < 32) continue;  // the rest of the small rows, checked below
        const int lit = litPixels(atlasCellOf(id));
        pixelsInCells += lit;
        if (named(id))
            EXPECT_GE(lit, atlasCellOf(id).size) << "id " << id << " is (nearly) empty";
        else
            EXPECT_EQ(lit, 0) << "id " << id;
    }
    for (int id = 22; id < 32; ++id) EXPECT_EQ(litPixels(atlasCellOf(id)), 0) << "id " << id;
    // Nothing spills between the cells: rows 16 to 31 are empty too.
    int lit = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 128; ++x) lit += at(x, y) != kBlack;
    EXPECT_EQ(lit, pixelsInCells + litPixels({0, 0, 0}));
}

TEST_F(D3DXSymbolAtlasTest, TheBottomRowsHoldTwentyFourLightGreyBorderedSquares) {
    int squares = 0;
    for (int id = 56; id <= kLastAtlasId; ++id, ++squares) {
        const AtlasCell cell = atlasCellOf(id);
        ASSERT_GE(cell.y, 80);
        EXPECT_EQ(litPixels(cell), 4 * 15) << "id " << id;
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(at(cell.x + i, cell.y), kLight);
            EXPECT_EQ(at(cell.x + i, cell.y + 15), kLight);
            EXPECT_EQ(at(cell.x, cell.y + i), kLight);
            EXPECT_EQ(at(cell.x + 15, cell.y + i), kLight);
        }
    }
    EXPECT_EQ(squares, 24);
}

}  // namespace
}  // namespace pelmora::d3dx
