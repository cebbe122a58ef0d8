// Filters and colour keys on 0xAARRGGBB images.
#include "platform/d3dx/D3DXImageFilter.h"
#include "platform/d3dx/d3dx9tex.h"

#include <gtest/gtest.h>

namespace pelmora::d3dx {
namespace {

imaging::Image image(int w, int h, std::vector<uint32_t> pixels) { return {w, h, std::move(pixels)}; }

TEST(D3DXImageFilterTest, FilterValuesNameTheirFiltersAndFlagsAreIgnored) {
    ImageFilter f{};
    ASSERT_TRUE(parseFilter(D3DX_FILTER_POINT | D3DX_FILTER_DITHER, ImageFilter::Box, &f));
    EXPECT_EQ(f, ImageFilter::Point);
    ASSERT_TRUE(parseFilter(D3DX_DEFAULT, ImageFilter::Box, &f));
    EXPECT_EQ(f, ImageFilter::Box);
    EXPECT_FALSE(parseFilter(0, ImageFilter::Box, &f));
    EXPECT_FALSE(parseFilter(6, ImageFilter::Box, &f));
}

TEST(D3DXImageFilterTest, ColourKeyTurnsExactMatchesTransparentBlack) {
    auto img = image(3, 1, {0xFF000000, 0xFF010000, 0x00000000});
    applyColourKey(&img, 0xFF000000);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0, 0xFF010000, 0}));
    auto untouched = image(1, 1, {0xFF000000});
    applyColourKey(&untouched, 0);
    EXPECT_EQ(untouched.pixels[0], 0xFF000000u);
}

TEST(D3DXImageFilterTest, BoxHalvingAveragesEachTwoByTwoBlock) {
    const auto img = image(2, 2, {0xFF000000, 0xFFFFFFFF, 0x00000000, 0xFFFFFFFF});
    const auto out = scaleImage(img.view(), 1, 1, ImageFilter::Box);
    ASSERT_EQ(out.pixels.size(), 1u);
    EXPECT_EQ(out.pixels[0], 0xBF808080u);  // alpha (255 * 3) / 4, colour 510 / 4
}

TEST(D3DXImageFilterTest, PointDoublingRepeatsPixels) {
    const auto img = image(2, 1, {0xFF0000FF, 0xFFFF0000});
    const auto out = scaleImage(img.view(), 4, 1, ImageFilter::Point);
    EXPECT_EQ(out.pixels, (std::vector<uint32_t>{0xFF0000FF, 0xFF0000FF, 0xFFFF0000, 0xFFFF0000}));
}

TEST(D3DXImageFilterTest, LinearBlendsNeighboursAndKeepsEnds) {
    const auto img = image(2, 1, {0xFF000000, 0xFFFFFFFF});
    const auto out = scaleImage(img.view(), 4, 1, ImageFilter::Linear);
    EXPECT_EQ(out.pixels[0], 0xFF000000u);
    EXPECT_EQ(out.pixels[1], 0xFF404040u);  // a quarter of the way
    EXPECT_EQ(out.pixels[3], 0xFFFFFFFFu);
}

TEST(D3DXImageFilterTest, NoneCopiesUnscaledAndBordersWithTransparentBlack) {
    const auto img = image(2, 2, {1, 2, 3, 4});
    EXPECT_EQ(scaleImage(img.view(), 3, 1, ImageFilter::None).pixels, (std::vector<uint32_t>{1, 2, 0}));
}

}  // namespace
}  // namespace pelmora::d3dx
