// How bitmaps of various shapes are planned into square textures and cut
// into pieces.
#include "image/StripPieces.h"
#include "image/TexturePlan.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

constexpr UINT kWideDisplay = 1920;

struct PlanCase {
    UINT width, height;
    bool wide, tall;
    UINT strips, size;
};

class TexturePlanCases : public testing::TestWithParam<PlanCase> {};

TEST_P(TexturePlanCases, CutAndEdge) {
    const PlanCase& c = GetParam();
    const TexturePlan plan = planTexture(c.width, c.height, kWideDisplay);
    EXPECT_EQ(plan.bitmapWidth, c.width);
    EXPECT_EQ(plan.bitmapHeight, c.height);
    EXPECT_EQ(plan.isWide, c.wide);
    EXPECT_EQ(plan.isTall, c.tall);
    EXPECT_EQ(plan.stripCount, c.strips);
    EXPECT_EQ(plan.textureSize, c.size);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, TexturePlanCases,
    testing::Values(PlanCase{300, 100, true, false, 2, 256},   // 300.5/100 > 2.5, 150.5/200 not
                    PlanCase{100, 300, false, true, 2, 256},   // the mirror image
                    PlanCase{299, 100, false, false, 1, 512},  // 299 / 100 is 2: one piece
                    PlanCase{200, 100, false, false, 1, 256},
                    PlanCase{1, 1, false, false, 1, 2},        // never below 2
                    PlanCase{1000, 10, true, false, 7, 256},   // 143.4/70 <= 2.5 first at 7
                    PlanCase{256, 256, false, false, 1, 256}));

TEST(TexturePlan, EdgeIsCutToTheDisplayWidth) {
    EXPECT_EQ(planTexture(1000, 1000, 800).textureSize, 800u);
    EXPECT_EQ(planTexture(1000, 1000, 1024).textureSize, 1024u);
}

TEST(StripPieces, WideImageStacksBandsOfTextureWidth) {
    const TexturePlan plan = planTexture(300, 100, kWideDisplay);
    const auto pieces = stripPieces(plan, RECT{0, 0, 300, 100});
    ASSERT_EQ(pieces.size(), 2u);
    // Rows 0-99 hold columns 0-255, rows 100-199 columns 256-299.
    EXPECT_EQ(pieces[0].sourceX, 0);
    EXPECT_EQ(pieces[0].destinationY, 0);
    EXPECT_EQ(pieces[0].width, 256);
    EXPECT_EQ(pieces[0].height, 100);
    EXPECT_EQ(pieces[1].sourceX, 256);
    EXPECT_EQ(pieces[1].sourceY, 0);
    EXPECT_EQ(pieces[1].destinationX, 0);
    EXPECT_EQ(pieces[1].destinationY, 100);
    EXPECT_EQ(pieces[1].width, 44);
    EXPECT_EQ(pieces[1].height, 100);
}

TEST(StripPieces, TallImageLaysBandsSideBySide) {
    const TexturePlan plan = planTexture(100, 300, kWideDisplay);
    const auto pieces = stripPieces(plan, RECT{0, 0, 100, 300});
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].sourceY, 0);
    EXPECT_EQ(pieces[0].width, 100);
    EXPECT_EQ(pieces[0].height, 256);
    EXPECT_EQ(pieces[1].sourceX, 0);
    EXPECT_EQ(pieces[1].sourceY, 256);
    EXPECT_EQ(pieces[1].destinationX, 100);
    EXPECT_EQ(pieces[1].destinationY, 0);
    EXPECT_EQ(pieces[1].width, 100);
    EXPECT_EQ(pieces[1].height, 44);
}

TEST(StripPieces, OnePieceIsTheWholeImageAtTheCorner) {
    const TexturePlan plan = planTexture(299, 100, kWideDisplay);
    const auto pieces = stripPieces(plan, RECT{0, 0, 299, 100});
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].sourceX, 0);
    EXPECT_EQ(pieces[0].destinationX, 0);
    EXPECT_EQ(pieces[0].destinationY, 0);
    EXPECT_EQ(pieces[0].width, 299);
    EXPECT_EQ(pieces[0].height, 100);
}

// Bands are a texture wide, so a long image may need fewer than the planned
// strips; the others start beyond the image and copy nothing.
TEST(StripPieces, BandsOfALongImageFollowEachOther) {
    const TexturePlan plan = planTexture(1000, 10, kWideDisplay);
    const auto pieces = stripPieces(plan, RECT{0, 0, 1000, 10});
    ASSERT_EQ(pieces.size(), 7u);
    for (size_t i = 0; i < pieces.size(); ++i) {
        EXPECT_EQ(pieces[i].sourceX, LONG(i) * 256);
        EXPECT_EQ(pieces[i].destinationY, LONG(i) * 10);
    }
    EXPECT_EQ(pieces[3].width, 1000 - 3 * 256);
}

}  // namespace
}  // namespace pelmora
