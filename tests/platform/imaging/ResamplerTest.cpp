// The resampler behind scaled presents and halftone stretches.
#include "platform/imaging/Resampler.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace pelmora::imaging {
namespace {

int green(uint32_t pixel) { return int((pixel >> 8) & 0xFF); }

Image ramp(int width, int height) {
    Image image{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.pixels.push_back(0xFF000000u | uint32_t(x * 255 / (width - 1)) << 8 |
                                   uint32_t(y));
    return image;
}

TEST(ResamplerTest, EqualSizesCopyExactlyAndUniformImagesStayUniform) {
    Image source{3, 1, {0x12345678, 0x00000000, 0x80FF0000}};
    EXPECT_EQ(resample(source.view(), 3, 1).pixels, source.pixels);
    Image flat{5, 3, std::vector<uint32_t>(15, 0xFF3366CC)};
    for (auto [w, h] : {std::pair{13, 7}, std::pair{2, 1}, std::pair{1, 9}})
        EXPECT_EQ(resample(flat.view(), w, h).pixels, std::vector<uint32_t>(w * h, 0xFF3366CC));
}

TEST(ResamplerTest, UpscaleInterpolatesBetweenNeighbours) {
    Image pair{2, 1, {0xFF000000, 0xFF00FF00}};
    Image scaled = resample(pair.view(), 4, 1);
    EXPECT_EQ(green(scaled.pixels[0]), 0);
    EXPECT_EQ(green(scaled.pixels[3]), 255);
    EXPECT_NEAR(green(scaled.pixels[1]), 64, 1);  // a quarter of the way
    EXPECT_NEAR(green(scaled.pixels[2]), 191, 1);
}

TEST(ResamplerTest, DownscaleSeesEverySourcePixel) {
    // A single bright column must not vanish when shrinking by four.
    Image lines{16, 1, std::vector<uint32_t>(16, 0xFF000000)};
    lines.pixels[5] = 0xFF00FF00;
    Image scaled = resample(lines.view(), 4, 1);
    EXPECT_GT(green(scaled.pixels[1]), 30);
    EXPECT_EQ(green(scaled.pixels[3]), 0);
}

TEST(ResamplerTest, TransparentPixelsDoNotBleedColour) {
    Image edge{2, 1, {0x00FF0000, 0xFF0000FF}};  // transparent red beside opaque blue
    Image scaled = resample(edge.view(), 4, 1);
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ((scaled.pixels[i] >> 16) & 0xFF, 0u) << i;
        EXPECT_GT(scaled.pixels[i] >> 24, 0u);
    }
}

TEST(ResamplerTest, RegionMatchesTheWholeResult) {
    Image source = ramp(37, 23);
    Image whole = resample(source.view(), 101, 61);
    const PixelRegion region{40, 17, 30, 20};
    std::vector<uint32_t> part(size_t(region.width) * region.height);
    resampleRegion(source.view(), 101, 61, region, part.data(), region.width);
    for (int y = 0; y < region.height; ++y)
        for (int x = 0; x < region.width; ++x)
            ASSERT_EQ(part[size_t(y) * region.width + x],
                      whole.pixels[size_t(region.y + y) * 101 + region.x + x]);
}

TEST(ResamplerTest, InvalidInputGivesAnEmptyImage) {
    EXPECT_TRUE(resample(ImageView{}, 4, 4).pixels.empty());
    Image one{1, 1, {0xFFFFFFFF}};
    EXPECT_TRUE(resample(one.view(), 0, 4).pixels.empty());
}

}  // namespace
}  // namespace pelmora::imaging
