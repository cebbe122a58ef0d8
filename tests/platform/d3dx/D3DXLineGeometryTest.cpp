// Wide-line triangles in screen space and the projection that feeds them.
#include "platform/d3dx/D3DXLineGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace pelmora::d3dx {
namespace {

const D3DVIEWPORT9 kViewport{0, 0, 64, 64, 0.0f, 1.0f};

std::vector<ScreenVertex> strip(std::vector<ScreenPoint> points, float width) {
    std::vector<ScreenVertex> out;
    appendWideLineStrip(points.data(), points.size(), width, 0xFF336699, &out);
    return out;
}

TEST(D3DXLineGeometryTest, HairpinsAreBevelledAndRepeatedPointsSkipped) {
    const auto hairpin = strip({{10, 20, 0, 1}, {40, 20, 0, 1}, {10, 21, 0, 1}}, 4);
    ASSERT_EQ(hairpin.size(), 8u);
    for (const ScreenVertex& v : hairpin) EXPECT_LT(std::fabs(v.x - 25), 20.0f) << "a spike far beyond the turn";
    EXPECT_EQ(strip({{10, 20, 0, 1}, {10, 20, 0, 1}, {30, 20, 0, 1}}, 3).size(), 4u);
    EXPECT_TRUE(strip({{10, 20, 0, 1}, {10, 20, 0, 1}}, 3).empty()) << "a single point draws nothing";
    for (const ScreenVertex& v : strip({{10, 20, 0.5f, 2}, {50, 20, 0.5f, 2}}, 5))
        EXPECT_EQ((std::tuple{v.z, v.rhw, v.colour}), (std::tuple{0.5f, 2.0f, 0xFF336699u}));
}

TEST(D3DXLineGeometryTest, ProjectionMapsClipSpaceToPixelsAndCutsAtTheNearPlane) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    const D3DXVECTOR3 diagonal[] = {{-1, 1, 0.25f}, {1, -1, 0.75f}};
    auto runs = projectPolyline(diagonal, 2, identity, kViewport);
    ASSERT_EQ(runs.size(), 1u);
    ASSERT_EQ(runs[0].size(), 2u);
    const float expected[2][3] = {{0, 0, 0.25f}, {64, 64, 0.75f}};
    for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(runs[0][i].x, expected[i][0], 1e-4);
        EXPECT_NEAR(runs[0][i].y, expected[i][1], 1e-4);
        EXPECT_NEAR(runs[0][i].z, expected[i][2], 1e-6);
    }
    // In front, behind, in front again: two runs, each ending on the plane.
    const D3DXVECTOR3 dipping[] = {{-1, 0, 0.5f}, {0, 0, -0.5f}, {1, 0, 0.5f}};
    runs = projectPolyline(dipping, 3, identity, kViewport);
    ASSERT_EQ(runs.size(), 2u);
    ASSERT_EQ(runs[0].size(), 2u);
    ASSERT_EQ(runs[1].size(), 2u);
    EXPECT_FLOAT_EQ(runs[0][1].x, 16);  // halfway to x = 0 in clip space
    EXPECT_FLOAT_EQ(runs[0][1].z, 0);
    EXPECT_FLOAT_EQ(runs[1][0].x, 48);
}

}  // namespace
}  // namespace pelmora::d3dx
