// Where a billboard's pieces sample their texture and where its quads land
// around the anchor: atlas cells, strips of wide and tall bitmaps, the
// viewport's edges, the mesh scale and the strict pick box.
#include "geometry/BillboardLayout.h"

#include <gtest/gtest.h>

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

BillboardLayout bitmap(UINT width, UINT height, int anchorX = 0, int anchorY = 0) {
    BillboardLayout layout;
    layout.anchorX = anchorX;
    layout.anchorY = anchorY;
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

TEST(BillboardLayout, PreloadedSymbolsSampleTheirAtlasCell) {
    const struct {
        int id;
        float uMin, uMax, vMin, vMax;
    } cases[] = {
        {9, 0.5625f, 0.625f, 0.0f, 0.0625f},    // CONSTRAINT_FIXED
        {44, 0.5f, 0.625f, 0.375f, 0.5f},       // CONSTRAINT_BIG_FIXED
        {21, 0.3125f, 0.375f, 0.0625f, 0.125f},  // CONSTRAINT_AT_POINT, second row
        {79, 0.875f, 1.0f, 0.875f, 1.0f},        // the last bordered square
    };
    for (const auto& c : cases) {
        const d3dx::AtlasCell cell = d3dx::atlasCellOf(c.id);
        const auto geometry = symbol(c.id).geometry(&cell);
        SCOPED_TRACE(c.id);
        ASSERT_EQ(geometry->vertexCount, 4u);
        EXPECT_EQ(rangeOf(*geometry, 0), std::tuple(c.uMin, c.uMax, c.vMin, c.vMax));
        EXPECT_EQ(geometry->faces, (std::vector<uint32_t>{0, 1, 2, 2, 1, 3}));
    }
}

TEST(BillboardLayout, WideAndTallBitmapsSampleOneStripEach) {
    const float band = 100.0f / 256.0f;
    const auto wide = bitmap(300, 100).geometry(nullptr);
    ASSERT_EQ(wide->vertexCount, 8u);
    EXPECT_EQ(rangeOf(*wide, 0), std::tuple(0.0f, 1.0f, 0.0f, band));
    EXPECT_EQ(rangeOf(*wide, 1), std::tuple(0.0f, 1.0f, band, 2 * band));
    EXPECT_EQ(wide->faces, (std::vector<uint32_t>{0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7}));
    const auto tall = bitmap(100, 300).geometry(nullptr);
    EXPECT_EQ(rangeOf(*tall, 1), std::tuple(band, 2 * band, 0.0f, 1.0f));
    // A 1000 x 10 label in seven strips: the ranges stay inside the texture.
    const auto label = bitmap(1000, 10).geometry(nullptr);
    ASSERT_EQ(label->vertexCount, 28u);
    EXPECT_EQ(rangeOf(*label, 6), std::tuple(0.0f, 1.0f, 60.0f / 256.0f, 70.0f / 256.0f));
}

TEST(BillboardLayout, TheAnchorPixelLandsOnTheScreenPointAndTheImageExtendsRightAndDown) {
    // Anchor (4, 4) on (100, 50): a small symbol covers x 96 to 104 and y 46
    // to 54, a big one 96 to 112 and 46 to 62 (each laid half a pixel up and
    // left, so texel centres fall on pixel centres).
    for (const auto& [id, right, bottom] : {std::tuple{9, 104.0f, 54.0f}, std::tuple{44, 112.0f, 62.0f}}) {
        const auto v = quadsAt(symbol(id, 4, 4), 100.0, 50.0);
        ASSERT_EQ(v.size(), 4u);
        EXPECT_EQ((std::tuple{v[0].x, v[0].y, v[3].x, v[3].y}), (std::tuple{95.5f, 45.5f, right - 0.5f, bottom - 0.5f}));
        EXPECT_EQ((std::tuple{v[1].x, v[1].y, v[2].x, v[2].y}), (std::tuple{95.5f, bottom - 0.5f, right - 0.5f, 45.5f}));
        EXPECT_EQ((std::tuple{v[0].z, v[0].rhw, v[0].colour}), (std::tuple{0.25f, 1.0f, kColour}));
        EXPECT_EQ((std::tuple{v[0].u, v[3].u}), (std::tuple{0.0f, id < 32 ? 0.0625f : 0.125f}));
    }
}

TEST(BillboardLayout, AnImageTouchingAViewportEdgeIsDrawnAndOnePixelFurtherItIsNot) {
    const BillboardLayout layout = symbol(3);  // 8 x 8, anchor at its corner
    const struct {
        double x, y;
        bool drawn;
    } cases[] = {
        {200, 50, true},  {201, 50, false},  // x0 equal to the width, then beyond
        {-8, 50, true},   {-9, 50, false},   // x0 + 8 equal to 0, then below
        {50, 100, true},  {50, 101, false},
        {50, -8, true},   {50, -9, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(quadsAt(layout, c.x, c.y).size(), c.drawn ? 4u : 0u) << c.x << ", " << c.y;
}

TEST(BillboardLayout, AWideBitmapLaysItsStripsSideBySideAWholeTextureEdgeApart) {
    const BillboardLayout layout = bitmap(300, 100, 10, 20);
    const auto geometry = layout.geometry(nullptr);
    std::vector<BillboardVertex> v;
    layout.quads(*geometry, ScreenAnchor{10, 20, 0, 1}, kColour, 640, 480, &v);
    ASSERT_EQ(v.size(), 8u);
    // Two quads of 256 x 100: the second shows its 44 columns and a
    // transparent margin.
    EXPECT_EQ((std::tuple{v[0].x, v[0].y, v[3].x, v[3].y}), (std::tuple{-0.5f, -0.5f, 255.5f, 99.5f}));
    EXPECT_EQ((std::tuple{v[4].x, v[4].y, v[7].x, v[7].y}), (std::tuple{255.5f, -0.5f, 511.5f, 99.5f}));
    EXPECT_EQ((std::tuple{v[4].u, v[7].u, v[4].v}), (std::tuple{0.0f, 1.0f, 100.0f / 256.0f}));
}

TEST(BillboardLayout, AOnePieceBitmapShowsOnlyItsPartOfTheTextureSquare) {
    const BillboardLayout layout = bitmap(200, 100);  // in a 256 square
    const auto v = quadsAt(layout, 0, 0, 640, 480, false);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ((std::tuple{v[3].x, v[3].y, v[3].u, v[3].v}),
              (std::tuple{199.5f, 99.5f, 200.0f / 256.0f, 100.0f / 256.0f}));
}

TEST(BillboardLayout, AScaledSymbolShowsItsWholeCellLargerAroundAScaledAnchor) {
    BillboardLayout layout = symbol(9, 4, 4);
    layout.scale = 4.0;
    const auto v = quadsAt(layout, 100.0, 50.0);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ((std::tuple{v[0].x, v[0].y, v[3].x, v[3].y}), (std::tuple{83.5f, 33.5f, 115.5f, 65.5f}));
    EXPECT_EQ((std::tuple{v[0].u, v[3].u, v[0].v, v[3].v}), (std::tuple{0.0f, 0.0625f, 0.0f, 0.0625f}));
    // Off screen follows the scaled size: 32 pixels to the left edge.
    EXPECT_EQ(quadsAt(layout, -32 + 16, 50).size(), 4u);
    EXPECT_EQ(quadsAt(layout, -33 + 16, 50).size(), 0u);
}

TEST(BillboardLayout, PicksHitStrictlyInsideTheImageAroundTheAnchor) {
    BillboardLayout layout = symbol(44, 4, 6);  // 16 x 16: x from -4 to 12, y from -6 to 10
    const struct {
        double scale;
        int x, y;
        bool hit;
    } cases[] = {
        {1, 0, 0, true},   {1, -3, -5, true}, {1, 11, 9, true},
        {1, -4, 0, false}, {1, 12, 0, false}, {1, 0, -6, false}, {1, 0, 10, false},  // on the border
        {2, -7, 19, true}, {2, -8, 0, false}, {2, 23, 0, true},  {2, 24, 0, false},  // twice as large
    };
    for (const auto& c : cases) {
        layout.scale = c.scale;
        EXPECT_EQ(layout.hit(c.x, c.y), c.hit) << "scale " << c.scale << " at " << c.x << ", " << c.y;
    }
}

}  // namespace
}  // namespace pelmora
