// Line meshes without a device: wire geometry from arrays and host facets
// with its box proxy, the chunks wide lines are drawn in, grid generation,
// and dot meshes.
#include "mesh/DXDotMesh.h"
#include "mesh/DXGrillMesh.h"
#include "mesh/DXWireMesh.h"
#include "meshops/LineRuns.h"
#include "support/MeshTestSupport.h"
#include "facets/TorvelMeshProvider.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace pelmora;
using namespace pelmora::test;
using List = std::vector<uint32_t>;

WireMeshArrays arraysOf(const std::vector<float>& vertices, const std::vector<int>& lines) {
    return {vertices.data(), long(vertices.size()), lines.data(), long(lines.size())};
}

TEST(WireMeshFromArrays, ValidatesThenKeepsTheListAsGivenWithABoxAboveTwelveVertices) {
    struct Case {
        const char* name;
        std::vector<float> vertices;
        std::vector<int> lines;
        HRESULT status;
        const char* logged;
    };
    const Case cases[] = {
        {"two polylines", pointRow(3), {2, 0, 1, 2, 1, 2, 0}, S_OK, ""},
        {"an empty list", pointRow(3), {}, S_OK, ""},
        {"partial point", {0, 0, 0, 1}, {2, 0, 0, 0}, E_INVALIDARG, "does not hold whole points"},
        {"past the end", pointRow(3), {3, 0, 1}, E_INVALIDARG, "runs past the end"},
        {"outside", pointRow(3), {2, 0, 3, 0}, E_INVALIDARG, "outside the vertex array"},
        {"negative index", pointRow(3), {2, -1, 0, 0}, E_INVALIDARG, "outside the vertex array"},
    };
    for (const Case& c : cases) {
        HRESULT status = S_OK;
        const std::string log = captured([&] { status = DXWireMesh::validateArrays(arraysOf(c.vertices, c.lines)); });
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_NE(log.find(c.logged), std::string::npos) << c.name << ": " << log;
    }

    DXWireMesh mesh(0);
    const std::vector<float> vertices = pointRow(3);
    const std::vector<int> lines = {2, 0, 1, 2, 1, 2, 0};
    mesh.buildFromArrays(arraysOf(vertices, lines));
    ASSERT_NE(mesh.geometry(), nullptr);
    EXPECT_EQ(mesh.geometry()->faces, (List{2, 0, 1, 2, 1, 2, 0}));
    EXPECT_EQ(mesh.geometry()->count, 7u);
    EXPECT_EQ(mesh.geometry()->vertexCount, 3u);
    const MeshVertex& v = mesh.geometry()->vertices[1];
    EXPECT_EQ((std::vector<float>{v.x, v.y, v.z, v.nx, v.ny, v.nz, v.u, v.v}),
              (std::vector<float>{1, 1, 0, 0, 0, 1, 0, 0}));

    for (int count : {12, 13}) {
        DXWireMesh sized(0);
        const std::vector<float> row = pointRow(count);
        const std::vector<int> strip = {2, 0, count - 1, 0};
        sized.buildFromArrays(arraysOf(row, strip));
        EXPECT_EQ(sized.boxProxy() != nullptr, count == 13) << count << " vertices";
    }
    DXWireMesh empty(0);
    empty.buildFromArrays(arraysOf(vertices, {}));
    EXPECT_EQ(empty.geometry(), nullptr);
}

TEST(WireMeshFromFacets, CopiesTheHostsPolylinesAndFetchesOnlyWhenAsked) {
    TestFacetFactory factory([](double) {
        auto facets = std::make_unique<TestFacets>();
        for (int i = 0; i < 14; ++i) facets->points.push_back({float(i), 0, 0, 0, 0, 1, 0, 0});
        facets->faces = {3, 0, 1, 13, 2, 4, 5, 0};
        return facets;
    });
    TorvelMeshProvider provider;
    DXWireMesh mesh(HostMeshBinding{9, factory.handle, &provider});
    mesh.setCurrentDeviation(2.0f);
    EXPECT_TRUE(factory.requests.empty());
    ASSERT_EQ(mesh.refreshMesh(2.0f), S_OK);
    ASSERT_EQ(factory.requests.size(), 1u);
    EXPECT_EQ(factory.requests[0].deviation, 2.0);
    ASSERT_NE(mesh.geometry(), nullptr);
    EXPECT_EQ(mesh.geometry()->faces, (List{3, 0, 1, 13, 2, 4, 5, 0}));
    EXPECT_EQ(mesh.geometry()->vertexCount, 14u);
    EXPECT_NE(mesh.boxProxy(), nullptr);
    EXPECT_EQ(factory.outstanding, 0);
    // The provider hands the polylines back as they came.
    FacetSource* source = nullptr;
    ASSERT_EQ(provider.getFacets(factory.handle, 9, &source), S_OK);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->faceListLength(), 8);
    EXPECT_EQ(source->faceList()[3], 13);
    provider.releaseFacets(source);
}

TEST(LineRuns, PolylinesBreakAtIndicesOutsideTheVerticesAndStopAtTheEnd) {
    struct Case {
        List list;
        uint32_t vertices;
        std::vector<List> pieces;
    };
    const Case cases[] = {
        {{2, 0, 1, 3, 1, 2, 3, 0}, 4, {{0, 1}, {1, 2, 3}}},
        {{4, 0, 1, 9, 2, 0}, 3, {{0, 1}}},           // 9 breaks it; {2} alone is no line
        {{5, 0, 1, 2, 9, 1, 0}, 3, {{0, 1, 2}}},     // the piece after 9 is one point
        {{3, 0, 1}, 3, {}},                          // runs past the end of the list
        {{1, 0, 2, 1, 2, 0xFFFFFFFFu, 0, 1}, 3, {{1, 2}}},  // a count of -1 ends it
    };
    for (const Case& c : cases) {
        std::vector<List> pieces;
        forEachPolyline(c.list.data(), c.list.size(), c.vertices,
                        [&](const uint32_t* indices, size_t count) { pieces.emplace_back(indices, indices + count); });
        EXPECT_EQ(pieces, c.pieces);
    }
}

TEST(WireChunks, LongPolylinesAreCutInto512PointChunksSharingASegment) {
    SolidGeometry geometry;
    const uint32_t points = 1200;
    for (uint32_t i = 0; i < points; ++i) geometry.vertices.push_back({float(i), 0, 0, 0, 0, 1, 0, 0});
    geometry.vertexCount = points;
    geometry.faces = {points};
    for (uint32_t i = 0; i < points; ++i) geometry.faces.push_back(i);
    geometry.faces.insert(geometry.faces.end(), {2, 0, 1, 0});
    WireChunks chunks;
    chunks.build(geometry);
    // 0..511, 510..1021, 1020..1199, then the short polyline.
    ASSERT_EQ(chunks.count(), 4u);
    const size_t firsts[] = {0, 510, 1020, 0}, lengths[] = {512, 512, 180, 2};
    for (size_t i = 0; i < chunks.count(); ++i) {
        EXPECT_EQ(chunks.length(i), lengths[i]) << "chunk " << i;
        EXPECT_EQ(chunks.points(i)[0].x, float(firsts[i])) << "chunk " << i;
    }
    chunks.clear();
    EXPECT_TRUE(chunks.empty());
}

// The x of every vertical segment of the grid (both ends share it).
std::vector<float> verticalXs(const std::vector<LineVertex>& lines) {
    std::vector<float> xs;
    for (size_t i = 0; i + 1 < lines.size(); i += 2)
        if (lines[i].x == lines[i + 1].x) xs.push_back(lines[i].x);
    return xs;
}

TEST(GrillMesh, MajorLinesFollowTheSpacingCountAndBorderMinorOnesFillBetween) {
    struct Case {
        const char* name;
        GrillSpacing spacing;
        std::vector<float> verticals;  // grid lines, then the border's left and right
        size_t minorLines;
    };
    const Case cases[] = {
        // (No x spacing, quarters, an offset rectangle and minor lines both
        // ways are checked by their pixels through IDXContext.)
        {"majorY 0", {0, 10, 10, 0, 1, 0, 0, 0}, {}, 0},
        // Lines start at the multiple truncated toward zero, outside the rectangle.
        {"negative side", {-3.5f, 1, 1.5f, 0, 1, 0, 1, 0}, {-3, -2, -1, 0, 1, -3.5f, 1.5f}, 0},
        // Minor lines between the majors, not on them nor on the border.
        {"minor in x only", {0, 10, 10, 0, 5, 1, 5, 0}, {0, 5, 0, 10}, 8},
        {"too many minor", {0, 10, 10, 0, 5, 0.004f, 5, 0}, {0, 5, 0, 10}, 0},
    };
    for (const Case& c : cases) {
        const DXGrillMesh grid(c.spacing);
        EXPECT_EQ(verticalXs(grid.majorLines()), c.verticals) << c.name;
        EXPECT_EQ(grid.minorLines().size() / 2, c.minorLines) << c.name;
        for (const LineVertex& v : grid.majorLines()) EXPECT_EQ(v.z, 0.0f) << c.name;
    }
    // Spans where one more spacing is lost to rounding (a zero-width span at a
    // spacing of 1e-16, a grid at 1e16 with spacing 1) end, without minor lines.
    for (const GrillSpacing& spacing : {GrillSpacing{1, 1, 1, 0, 1, 1e-16f, 1, 1}, GrillSpacing{1e16f, 1, 1e16f, 0, 1, 1, 1, 1}}) {
        EXPECT_EQ(DXGrillMesh::validate(spacing), S_OK);
        EXPECT_EQ(DXGrillMesh(spacing).minorLines().size(), 0u);
    }
}

TEST(GrillMesh, RefusesValuesThatAreNotNumbersOrAskForTooManyLines) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const GrillSpacing refused[] = {{nan, 1, 1, 0, 1, 0, 1, 0}, {0, 1, 1e9f, 0, 1, 0, 1, 0}, {0, 1, 1, 0, 1e-9f, 0, 1, 0},
                                    {0, 1, 1, 0, 1, 1e-9f, 1, 0}, {0, std::numeric_limits<float>::infinity(), 1, 0, 1, 0, 1, 0}};
    for (const GrillSpacing& spacing : refused) {
        HRESULT status = S_OK;
        const std::string log = captured([&] { status = DXGrillMesh::validate(spacing); });
        EXPECT_EQ(status, E_INVALIDARG);
        EXPECT_NE(log.find("newGrillMesh: "), std::string::npos) << log;
    }
    EXPECT_EQ(DXGrillMesh::validate({0, 10, 10, 0, 0, 0, -1, 0}), S_OK);
}

TEST(DotMesh, KeepsItsPointsAndAnswersPrintQueriesWithNothing) {
    const std::string log = captured([] { EXPECT_EQ(DXDotMesh::validatePositions(4), E_INVALIDARG); });
    EXPECT_NE(log.find("whole points"), std::string::npos) << log;
    const std::vector<float> positions = {1, 2, 3, 4, 5, 6};
    DXDotMesh dots(positions.data(), long(positions.size()));
    ASSERT_EQ(dots.points().size(), 2u);
    EXPECT_EQ(dots.points()[1].y, 5.0f);
    EXPECT_EQ(dots.points()[1].nz, 1.0f);
    EXPECT_EQ(dots.setVisible(VARIANT_FALSE), S_OK);
    EXPECT_TRUE(dots.isVisible());
    // (Picks, mesh data and screen data of dots are checked through IDXContext.)
    ProjectedMesh projected;
    projected.points = {1, 2};
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_EQ(dots.getPrintData(identity, PrintLayout{}, &projected), kMeshHoldsNoData);
    EXPECT_TRUE(projected.points.empty());
    EXPECT_EQ(dots.setMeshScale(3), S_OK);
    EXPECT_EQ(dots.refreshMesh(2), S_OK);
}

}  // namespace
