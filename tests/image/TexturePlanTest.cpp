// How bitmaps of various shapes are planned into square textures and cut
// into pieces.
#include "image/StripPieces.h"
#include "image/TexturePlan.h"

#include <gtest/gtest.h>

namespace pelmora {

bool operator==(const StripPiece& a, const StripPiece& b) {
    return a.sourceX == b.sourceX && a.sourceY == b.sourceY && a.destinationX == b.destinationX &&
           a.destinationY == b.destinationY && a.width == b.width && a.height == b.height;
}

namespace {

constexpr UINT kWideDisplay = 1920;

TEST(TexturePlan, ShapesAreCutIntoStripsOfAPowerOfTwoEdge) {
    struct Case {
        UINT width, height;
        bool wide, tall;
        UINT strips, size;
    };
    const Case cases[] = {
        {300, 100, true, false, 2, 256},   // 300.5/100 > 2.5, 150.5/200 not
        {100, 300, false, true, 2, 256},   // the mirror image
        {299, 100, false, false, 1, 512},  // 299 / 100 is 2: one piece
        {200, 100, false, false, 1, 256},
        {1, 1, false, false, 1, 2},        // never below 2
        {1000, 10, true, false, 7, 256},   // 143.4/70 <= 2.5 first at 7
        {256, 256, false, false, 1, 256},
    };
    for (const Case& c : cases) {
        const TexturePlan plan = planTexture(c.width, c.height, kWideDisplay);
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        EXPECT_EQ(plan.bitmapWidth, c.width);
        EXPECT_EQ(plan.isWide, c.wide);
        EXPECT_EQ(plan.isTall, c.tall);
        EXPECT_EQ(plan.stripCount, c.strips);
        EXPECT_EQ(plan.textureSize, c.size);
    }
    // The edge is cut to the display width.
    EXPECT_EQ(planTexture(1000, 1000, 800).textureSize, 800u);
    EXPECT_EQ(planTexture(1000, 1000, 1024).textureSize, 1024u);
}

// Source (x, y), destination (x, y), width, height.
TEST(StripPieces, WideImagesStackBandsAndTallOnesLayThemSideBySide) {
    // Rows 0-99 hold columns 0-255, rows 100-199 columns 256-299.
    EXPECT_EQ(stripPieces(planTexture(300, 100, kWideDisplay), RECT{0, 0, 300, 100}),
              (std::vector<StripPiece>{{0, 0, 0, 0, 256, 100}, {256, 0, 0, 100, 44, 100}}));
    EXPECT_EQ(stripPieces(planTexture(100, 300, kWideDisplay), RECT{0, 0, 100, 300}),
              (std::vector<StripPiece>{{0, 0, 0, 0, 100, 256}, {0, 256, 100, 0, 100, 44}}));
}

}  // namespace
}  // namespace pelmora
