// Wide-line triangles in screen space and the projection that feeds them.
#include "platform/d3dx/D3DXLineGeometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pelmora::d3dx {
namespace {

constexpr D3DCOLOR kColour = 0xFF336699;
const D3DVIEWPORT9 kViewport{0, 0, 64, 64, 0.0f, 1.0f};

std::vector<ScreenVertex> strip(std::vector<ScreenPoint> points, float width) {
    std::vector<ScreenVertex> out;
    appendWideLineStrip(points.data(), points.size(), width, kColour, &out);
    return out;
}

void expectAt(const std::vector<ScreenVertex>& s, std::vector<std::pair<float, float>> corners) {
    ASSERT_GE(s.size(), corners.size());
    for (size_t i = 0; i < corners.size(); ++i) {
        EXPECT_NEAR(s[i].x, corners[i].first, 1e-4) << "vertex " << i;
        EXPECT_NEAR(s[i].y, corners[i].second, 1e-4) << "vertex " << i;
    }
}

TEST(D3DXLineGeometryTest, StraightSegmentIsAQuadHalfTheWidthEachSide) {
    const auto s = strip({{10, 20, 0.5f, 2}, {50, 20, 0.5f, 2}}, 5);
    ASSERT_EQ(s.size(), 4u);
    expectAt(s, {{10, 22.5f}, {10, 17.5f}, {50, 22.5f}, {50, 17.5f}});
    for (const ScreenVertex& v : s) {
        EXPECT_EQ(v.colour, kColour);
        EXPECT_FLOAT_EQ(v.z, 0.5f);
        EXPECT_FLOAT_EQ(v.rhw, 2.0f);
    }
}

TEST(D3DXLineGeometryTest, JoinsAndDegeneratePoints) {
    // A right angle meets in a square mitre: the outer corner of a square, the
    // inner one where both inner edges cross.
    const auto corner = strip({{10, 20, 0, 1}, {40, 20, 0, 1}, {40, 50, 0, 1}}, 5);
    ASSERT_EQ(corner.size(), 6u);
    expectAt(std::vector<ScreenVertex>(corner.begin() + 2, corner.end()), {{37.5f, 22.5f}, {42.5f, 17.5f}, {37.5f, 50}, {42.5f, 50}});
    // A hairpin turn is bevelled instead of spiking far beyond the turn.
    const auto hairpin = strip({{10, 20, 0, 1}, {40, 20, 0, 1}, {10, 21, 0, 1}}, 4);
    ASSERT_EQ(hairpin.size(), 8u);
    for (const ScreenVertex& v : hairpin) EXPECT_LT(std::fabs(v.x - 25), 20.0f);
    // Repeated points are skipped, and a single point draws nothing.
    EXPECT_EQ(strip({{10, 20, 0, 1}, {10, 20, 0, 1}, {30, 20, 0, 1}}, 3).size(), 4u);
    EXPECT_TRUE(strip({{10, 20, 0, 1}, {10, 20, 0, 1}}, 3).empty());
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
