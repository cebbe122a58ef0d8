// What a billboard's layout decides that pixels through IDXContext do not
// show: the strips of tall and long bitmaps, culling at the viewport's edges
// and the part of a texture square a one-piece bitmap uses.
#include "mesh/BillboardLayout.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

namespace pelmora {
namespace {

constexpr UINT kDisplay = 1920;
constexpr D3DCOLOR kColour = 0xFF336699;

BillboardLayout symbol(int id, int anchorX = 0, int anchorY = 0) {
    BillboardLayout layout;
    layout.anchorX = anchorX;
    layout.anchorY = anchorY;
    const UINT edge = id < 32 ? 8 : 16;
    layout.plan.bitmapWidth = layout.plan.bitmapHeight = layout.plan.textureSize = edge;
    return layout;
}

BillboardLayout bitmap(UINT width, UINT height) {
    BillboardLayout layout;
    layout.plan = planTexture(width, height, kDisplay);
    return layout;
}

// u and v of the first and last corner of piece i: the range it samples.
std::tuple<float, float, float, float> rangeOf(const SolidGeometry& g, int i) {
    const MeshVertex& first = g.vertices[size_t(i) * 4];
    const MeshVertex& last = g.vertices[size_t(i) * 4 + 3];
    return {first.u, last.u, first.v, last.v};
}

// The quads of a symbol (of cell 0 or 32 by its size) or, with no cell, of a bitmap.
std::vector<BillboardVertex> quadsAt(const BillboardLayout& layout, double x, double y, double width = 200,
                                     double height = 100, bool symbol = true) {
    const d3dx::AtlasCell cell = d3dx::atlasCellOf(layout.plan.textureSize == 8 ? 0 : 32);
    const auto geometry = layout.geometry(symbol ? &cell : nullptr);
    std::vector<BillboardVertex> vertices;
    layout.quads(*geometry, ScreenAnchor{x, y, 0.25, 1.0}, kColour, width, height, &vertices);
    return vertices;
}

TEST(BillboardLayout, TallBitmapsAndLongLabelsSampleOneStripEach) {
    const float band = 100.0f / 256.0f;
    const auto tall = bitmap(100, 300).geometry(nullptr);
    ASSERT_EQ(tall->vertexCount, 8u);
    EXPECT_EQ(rangeOf(*tall, 1), std::tuple(band, 2 * band, 0.0f, 1.0f));
    EXPECT_EQ(tall->faces, (std::vector<uint32_t>{0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7}));
    // A 1000 x 10 label in seven strips: the ranges stay inside the texture.
    const auto label = bitmap(1000, 10).geometry(nullptr);
    ASSERT_EQ(label->vertexCount, 28u);
    EXPECT_EQ(rangeOf(*label, 6), std::tuple(0.0f, 1.0f, 60.0f / 256.0f, 70.0f / 256.0f));
}

// Where a symbol drawn whole can be told apart from one culled only at the
// edges; the pixels of symbols on screen are checked through IDXContext.
TEST(BillboardLayout, AnImageTouchingAViewportEdgeIsDrawnAndOnePixelFurtherItIsNot) {
    const struct {
        double scale, x, y;
        bool drawn;
    } cases[] = {
        {1, 200, 50, true},  {1, 201, 50, false},  // x0 equal to the width, then beyond
        {1, -8, 50, true},   {1, -9, 50, false},   // x0 + 8 equal to 0, then below
        {1, 50, 100, true},  {1, 50, 101, false},
        {1, 50, -8, true},   {1, 50, -9, false},
        {4, -16, 50, true},  {4, -17, 50, false},  // scaled: 32 pixels wide around the anchor
    };
    for (const auto& c : cases) {
        BillboardLayout layout = symbol(3, c.scale == 1 ? 0 : 4, c.scale == 1 ? 0 : 4);  // 8 x 8
        layout.scale = c.scale;
        EXPECT_EQ(quadsAt(layout, c.x, c.y).size(), c.drawn ? 4u : 0u) << c.scale << " at " << c.x << ", " << c.y;
    }
}

TEST(BillboardLayout, AOnePieceBitmapShowsOnlyItsPartOfTheTextureSquare) {
    const BillboardLayout layout = bitmap(200, 100);  // in a 256 square
    const auto v = quadsAt(layout, 0, 0, 640, 480, false);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ((std::tuple{v[3].x, v[3].y, v[3].u, v[3].v}),
              (std::tuple{199.5f, 99.5f, 200.0f / 256.0f, 100.0f / 256.0f}));
}

// The pick box is the image around its anchor, whatever the anchor: at the
// integer limits too, where negating the anchor as an int would overflow.
TEST(BillboardLayout, PicksAroundAnchorsAtTheIntegerLimits) {
    const BillboardLayout low = symbol(3, INT_MIN, INT_MIN);  // the image far right of and below the anchor
    EXPECT_FALSE(low.hit(0, 0));
    EXPECT_FALSE(low.hit(INT_MAX, INT_MAX));
    const BillboardLayout high = symbol(3, INT_MAX, INT_MAX);  // 8 x 8 just right of INT_MIN + 1
    EXPECT_TRUE(high.hit(INT_MIN + 4, INT_MIN + 4));
    EXPECT_FALSE(high.hit(0, 0));
}

}  // namespace
}  // namespace pelmora
