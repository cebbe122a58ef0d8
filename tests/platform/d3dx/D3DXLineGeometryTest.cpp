// Wide-line triangles in screen space and the projection that feeds them.
#include "platform/d3dx/D3DXLineGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace pelmora::d3dx {
namespace {

const D3DVIEWPORT9 kViewport{0, 0, 64, 64, 0.0f, 1.0f};

WideLineMesh mesh(std::vector<ScreenPoint> points, float width) {
    WideLineMesh out;
    out.append(points.data(), points.size(), width, 0xFF336699);
    return out;
}

// Farthest a vertex lies from any of the points.
float reach(const WideLineMesh& m, const std::vector<ScreenPoint>& points) {
    float farthest = 0;
    for (const ScreenVertex& v : m.vertices()) {
        float nearest = 1e9f;
        for (const ScreenPoint& p : points) nearest = std::fmin(nearest, std::hypot(v.x - p.x, v.y - p.y));
        farthest = std::fmax(farthest, nearest);
    }
    return farthest;
}

TEST(D3DXLineGeometryTest, JoinsShareAMitreBevelSharpTurnsAndCloseLoops) {
    struct Case {
        const char* name;
        std::vector<ScreenPoint> points;
        size_t vertices, triangles;
        float farthest;  // no vertex lies farther than this from a point of the line
    };
    const float w = 4;
    const Case cases[] = {
        // Two vertices a point and two triangles a segment.
        {"right angle", {{10, 20, 0, 1}, {40, 20, 0, 1}, {40, 50, 0, 1}}, 6, 4, std::sqrt(8.0f) + 1e-4f},
        // A hairpin: square ends at the turn and a bevel, nothing beyond half the width.
        {"hairpin", {{10, 20, 0, 1}, {40, 20, 0, 1}, {10, 21, 0, 1}}, 9, 5, 2.0f + 1e-3f},
        // A turn on a segment shorter than its mitre: the tip shared outside,
        // square ends inside and one triangle between them.
        {"short segment", {{10, 20, 0, 1}, {40, 20, 0, 1}, {40, 21, 0, 1}, {10, 21, 0, 1}}, 10, 8, std::sqrt(8.0f) + 1e-3f},
        // A closed square: four shared mitres, the first point's as well.
        {"loop", {{10, 10, 0, 1}, {40, 10, 0, 1}, {40, 40, 0, 1}, {10, 40, 0, 1}, {10, 10, 0, 1}}, 8, 8, std::sqrt(8.0f) + 1e-4f},
        {"repeated points", {{10, 20, 0, 1}, {10, 20, 0, 1}, {30, 20, 0, 1}}, 4, 2, 2.0f + 1e-4f},
        {"one point", {{10, 20, 0, 1}, {10, 20, 0, 1}}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const WideLineMesh m = mesh(c.points, w);
        EXPECT_EQ(m.vertices().size(), c.vertices) << c.name;
        EXPECT_EQ(m.triangleCount(), c.triangles) << c.name;
        EXPECT_LE(reach(m, c.points), c.farthest) << c.name;
        for (uint32_t index : m.indices()) EXPECT_LT(index, m.vertices().size()) << c.name;
    }
    const WideLineMesh deep = mesh({{10, 20, 0.5f, 2}, {50, 20, 0.5f, 2}}, 5);
    for (const ScreenVertex& v : deep.vertices())
        EXPECT_EQ((std::tuple{v.z, v.rhw, v.colour}), (std::tuple{0.5f, 2.0f, 0xFF336699u}));
}

TEST(D3DXLineGeometryTest, PolylinesGatherIntoOneListAndClearingKeepsNothing) {
    WideLineMesh m;
    const ScreenPoint a[] = {{0, 0, 0, 1}, {10, 0, 0, 1}};
    const ScreenPoint b[] = {{0, 5, 0, 1}, {10, 5, 0, 1}, {10, 15, 0, 1}};
    m.append(a, 2, 2, 0xFFFFFFFF);
    m.append(b, 3, 2, 0xFFFFFFFF);
    ASSERT_EQ(m.vertices().size(), 4u + 6u);
    EXPECT_EQ(m.triangleCount(), 2u + 4u);
    // The second polyline's triangles name its own vertices.
    for (size_t i = 6; i < m.indices().size(); ++i) EXPECT_GE(m.indices()[i], 4u);
    m.clear();
    EXPECT_TRUE(m.empty());
    EXPECT_TRUE(m.vertices().empty());
}

TEST(D3DXLineGeometryTest, ProjectionMapsClipSpaceToPixelsAndCutsAtTheNearPlane) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    ProjectedRuns runs;
    const D3DXVECTOR3 diagonal[] = {{-1, 1, 0.25f}, {1, -1, 0.75f}};
    runs.project(diagonal, 2, identity, kViewport);
    ASSERT_EQ(runs.runCount(), 1u);
    ASSERT_EQ(runs.runLength(0), 2u);
    const float expected[2][3] = {{0, 0, 0.25f}, {64, 64, 0.75f}};
    for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(runs.run(0)[i].x, expected[i][0], 1e-4);
        EXPECT_NEAR(runs.run(0)[i].y, expected[i][1], 1e-4);
        EXPECT_NEAR(runs.run(0)[i].z, expected[i][2], 1e-6);
    }
    // In front, behind, in front again: two runs, each ending on the plane.
    const D3DXVECTOR3 dipping[] = {{-1, 0, 0.5f}, {0, 0, -0.5f}, {1, 0, 0.5f}};
    runs.project(dipping, 3, identity, kViewport);
    ASSERT_EQ(runs.runCount(), 2u);
    ASSERT_EQ(runs.runLength(0), 2u);
    ASSERT_EQ(runs.runLength(1), 2u);
    EXPECT_FLOAT_EQ(runs.run(0)[1].x, 16);  // halfway to x = 0 in clip space
    EXPECT_FLOAT_EQ(runs.run(0)[1].z, 0);
    EXPECT_FLOAT_EQ(runs.run(1)[0].x, 48);
    const D3DXVECTOR3 behind[] = {{-1, 0, -0.5f}, {1, 0, -0.5f}};
    runs.project(behind, 2, identity, kViewport);
    EXPECT_EQ(runs.runCount(), 0u);
}

}  // namespace
}  // namespace pelmora::d3dx
