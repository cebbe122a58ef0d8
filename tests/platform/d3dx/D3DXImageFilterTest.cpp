// Filters and colour keys on 0xAARRGGBB images.
#include "platform/d3dx/D3DXImageFilter.h"
#include "platform/d3dx/d3dx9tex.h"

#include <gtest/gtest.h>

namespace pelmora::d3dx {
namespace {

using Pixels = std::vector<uint32_t>;

Pixels scaled(int w, int h, Pixels pixels, int toWidth, ImageFilter filter) {
    const imaging::Image image{w, h, std::move(pixels)};
    return scaleImage(image.view(), toWidth, 1, filter).pixels;
}

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
    imaging::Image image{3, 1, {0xFF000000, 0xFF010000, 0x00000000}};
    applyColourKey(&image, 0xFF000000);
    EXPECT_EQ(image.pixels, (Pixels{0, 0xFF010000, 0}));
    imaging::Image untouched{1, 1, {0xFF000000}};
    applyColourKey(&untouched, 0);
    EXPECT_EQ(untouched.pixels[0], 0xFF000000u);
}

TEST(D3DXImageFilterTest, EachFilterScales) {
    // Box halving averages each 2x2 block: alpha (255 * 3) / 4, colour 510 / 4.
    const imaging::Image square{2, 2, {0xFF000000, 0xFFFFFFFF, 0x00000000, 0xFFFFFFFF}};
    EXPECT_EQ(scaleImage(square.view(), 1, 1, ImageFilter::Box).pixels, Pixels{0xBF808080u});
    EXPECT_EQ(scaled(2, 1, {0xFF0000FF, 0xFFFF0000}, 4, ImageFilter::Point),
              (Pixels{0xFF0000FF, 0xFF0000FF, 0xFFFF0000, 0xFFFF0000}));
    // Linear blends neighbours (a quarter of the way at 1) and keeps the ends.
    const Pixels linear = scaled(2, 1, {0xFF000000, 0xFFFFFFFF}, 4, ImageFilter::Linear);
    EXPECT_EQ(linear[0], 0xFF000000u);
    EXPECT_EQ(linear[1], 0xFF404040u);
    EXPECT_EQ(linear[3], 0xFFFFFFFFu);
    // None copies unscaled and borders with transparent black.
    EXPECT_EQ(scaled(2, 2, {1, 2, 3, 4}, 3, ImageFilter::None), (Pixels{1, 2, 0}));
}

}  // namespace
}  // namespace pelmora::d3dx
