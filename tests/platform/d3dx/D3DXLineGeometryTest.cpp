// Wide-line triangles in screen space and the projection that feeds them.
#include "platform/d3dx/D3DXLineGeometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pelmora::d3dx {
namespace {

constexpr D3DCOLOR kColour = 0xFF336699;
constexpr float kTolerance = 1e-4f;

std::vector<ScreenVertex> strip(std::vector<ScreenPoint> points, float width) {
    std::vector<ScreenVertex> out;
    appendWideLineStrip(points.data(), points.size(), width, kColour, &out);
    return out;
}

void expectAt(const ScreenVertex& v, float x, float y) {
    EXPECT_NEAR(v.x, x, kTolerance);
    EXPECT_NEAR(v.y, y, kTolerance);
}

TEST(D3DXLineGeometryTest, StraightSegmentIsAQuadHalfTheWidthEachSide) {
    const auto s = strip({{10, 20, 0.5f, 2}, {50, 20, 0.5f, 2}}, 5);
    ASSERT_EQ(s.size(), 4u);
    expectAt(s[0], 10, 22.5f);
    expectAt(s[1], 10, 17.5f);
    expectAt(s[2], 50, 22.5f);
    expectAt(s[3], 50, 17.5f);
    for (const ScreenVertex& v : s) {
        EXPECT_EQ(v.colour, kColour);
        EXPECT_FLOAT_EQ(v.z, 0.5f);
        EXPECT_FLOAT_EQ(v.rhw, 2.0f);
    }
}

TEST(D3DXLineGeometryTest, RightAngleCornerMeetsInASquareMitre) {
    const auto s = strip({{10, 20, 0, 1}, {40, 20, 0, 1}, {40, 50, 0, 1}}, 5);
    ASSERT_EQ(s.size(), 6u);
    // The outer corner of the mitre is the corner of a square, the inner one
    // where both inner edges cross.
    expectAt(s[2], 37.5f, 22.5f);
    expectAt(s[3], 42.5f, 17.5f);
    expectAt(s[4], 37.5f, 50);
    expectAt(s[5], 42.5f, 50);
}

TEST(D3DXLineGeometryTest, HairpinTurnIsBevelledInsteadOfSpiking) {
    const auto s = strip({{10, 20, 0, 1}, {40, 20, 0, 1}, {10, 21, 0, 1}}, 4);
    ASSERT_EQ(s.size(), 8u);
    for (const ScreenVertex& v : s) EXPECT_LT(std::fabs(v.x - 25), 20.0f) << "a vertex far beyond the turn";
}

TEST(D3DXLineGeometryTest, RepeatedPointsAreSkippedAndSinglePointsDrawNothing) {
    EXPECT_EQ(strip({{10, 20, 0, 1}, {10, 20, 0, 1}, {30, 20, 0, 1}}, 3).size(), 4u);
    EXPECT_TRUE(strip({{10, 20, 0, 1}, {10, 20, 0, 1}}, 3).empty());
}

D3DVIEWPORT9 viewport64() { return D3DVIEWPORT9{0, 0, 64, 64, 0.0f, 1.0f}; }

TEST(D3DXLineGeometryTest, ProjectionMapsClipSpaceToPixelsWithDepth) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    const D3DXVECTOR3 points[] = {{-1, 1, 0.25f}, {1, -1, 0.75f}};
    const auto runs = projectPolyline(points, 2, identity, viewport64());
    ASSERT_EQ(runs.size(), 1u);
    ASSERT_EQ(runs[0].size(), 2u);
    EXPECT_FLOAT_EQ(runs[0][0].x, 0);
    EXPECT_FLOAT_EQ(runs[0][0].y, 0);
    EXPECT_FLOAT_EQ(runs[0][0].z, 0.25f);
    EXPECT_FLOAT_EQ(runs[0][1].x, 64);
    EXPECT_FLOAT_EQ(runs[0][1].y, 64);
    EXPECT_FLOAT_EQ(runs[0][1].z, 0.75f);
}

TEST(D3DXLineGeometryTest, PartsBehindTheNearPlaneAreCutAway) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    // In front, behind, in front again: two runs, each ending on the plane.
    const D3DXVECTOR3 points[] = {{-1, 0, 0.5f}, {0, 0, -0.5f}, {1, 0, 0.5f}};
    const auto runs = projectPolyline(points, 3, identity, viewport64());
    ASSERT_EQ(runs.size(), 2u);
    ASSERT_EQ(runs[0].size(), 2u);
    ASSERT_EQ(runs[1].size(), 2u);
    EXPECT_FLOAT_EQ(runs[0][1].x, 16);  // halfway to x = 0 in clip space
    EXPECT_FLOAT_EQ(runs[0][1].z, 0);
    EXPECT_FLOAT_EQ(runs[1][0].x, 48);
}

}  // namespace
}  // namespace pelmora::d3dx
