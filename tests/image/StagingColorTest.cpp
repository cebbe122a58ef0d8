// Which bitmap colours survive the 5-6-5 staging and which the black colour
// key makes transparent.
#include "image/StagingColor.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return 0xFF000000u | (r << 16) | (g << 8) | b; }

TEST(StagingColor, NearlyBlackBelowTheTopBitsIsKeyedOut) {
    EXPECT_TRUE(isKeyedOut(rgb(0, 0, 0)));
    EXPECT_TRUE(isKeyedOut(rgb(7, 3, 7)));
    EXPECT_FALSE(isKeyedOut(rgb(8, 0, 0)));
    EXPECT_FALSE(isKeyedOut(rgb(0, 4, 0)));
    EXPECT_FALSE(isKeyedOut(rgb(0, 0, 8)));
}

TEST(StagingColor, KeepsTheTopBitsOfEachChannel) {
    EXPECT_EQ(toR5G6B5(rgb(0xFF, 0xFF, 0xFF)), 0xFFFF);
    EXPECT_EQ(toR5G6B5(rgb(0xF8, 0, 0)), 0xF800);
    EXPECT_EQ(toR5G6B5(rgb(0xFF, 0, 0)), 0xF800);
    EXPECT_EQ(toR5G6B5(rgb(0, 0xFC, 0)), 0x07E0);
    EXPECT_EQ(toR5G6B5(rgb(0, 0, 0x1F)), 0x0003);
}

TEST(StagingColor, StagedColoursRoundTripWithFullScaleExact) {
    EXPECT_EQ(fromR5G6B5(0xFFFF), 0xFFFFFFFFu);
    EXPECT_EQ(fromR5G6B5(0x0000), kStagingColorKey);
    EXPECT_EQ(fromR5G6B5(toR5G6B5(rgb(8, 4, 8))), rgb(8, 4, 8));
    for (uint32_t v = 0; v < 0x10000; v += 97) EXPECT_EQ(toR5G6B5(fromR5G6B5(uint16_t(v))), v);
}

}  // namespace
}  // namespace pelmora
