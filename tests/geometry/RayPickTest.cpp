// Rays against triangles, face lists and line runs, and solid meshes picked
// without a viewport: the arithmetic a host's pick rests on.
#include "geometry/DXSolidMesh.h"
#include "geometry/MeshTestSupport.h"
#include "geometry/RayPick.h"
#include "geometry/TorvelMeshProvider.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace pelmora;
using namespace pelmora::test;

const D3DXVECTOR3 kP0(0, 0, 0), kP1(4, 0, 0), kP2(0, 4, 0);

RayLine downAt(float x, float y, float fromZ = 10.0f) {
    return RayLine{D3DXVECTOR3(x, y, fromZ), D3DXVECTOR3(0, 0, -1)};
}

#define EXPECT_POINT(p, ex, ey, ez) \
    do {                            \
        EXPECT_FLOAT_EQ((p).x, ex); \
        EXPECT_FLOAT_EQ((p).y, ey); \
        EXPECT_FLOAT_EQ((p).z, ez); \
    } while (0)

TEST(RayTriangle, HitsInsideAndOnTheEdgesAndReportsThePointInThePlane) {
    D3DXVECTOR3 hit;
    ASSERT_TRUE(intersectTriangle(downAt(1, 1), kP0, kP1, kP2, &hit));
    EXPECT_POINT(hit, 1.0f, 1.0f, 0.0f);
    EXPECT_TRUE(intersectTriangle(downAt(2, 2), kP0, kP1, kP2, &hit)) << "the hypotenuse";
    EXPECT_TRUE(intersectTriangle(downAt(0, 0), kP0, kP1, kP2, &hit)) << "a corner";
    EXPECT_FALSE(intersectTriangle(downAt(3, 3), kP0, kP1, kP2, &hit));
    EXPECT_FALSE(intersectTriangle(downAt(-0.1f, 1), kP0, kP1, kP2, &hit));
}

TEST(RayTriangle, ASlantedRayMeetsThePlaneWhereTheLineDoes) {
    const RayLine ray{D3DXVECTOR3(0, 0, 2), D3DXVECTOR3(0.5f, 0.5f, -1)};
    D3DXVECTOR3 hit;
    ASSERT_TRUE(intersectTriangle(ray, kP0, kP1, kP2, &hit));
    EXPECT_POINT(hit, 1.0f, 1.0f, 0.0f);
}

TEST(RayTriangle, TheWholeLineCountsSoCrossingsBehindTheOriginHit) {
    const RayLine pointingAway{D3DXVECTOR3(1, 1, -5), D3DXVECTOR3(0, 0, -1)};
    D3DXVECTOR3 hit;
    ASSERT_TRUE(intersectTriangle(pointingAway, kP0, kP1, kP2, &hit));
    EXPECT_POINT(hit, 1.0f, 1.0f, 0.0f);
}

TEST(RayTriangle, ARayInThePlaneOfTheTriangleNeverHits) {
    const RayLine alongX{D3DXVECTOR3(-1, 1, 0), D3DXVECTOR3(1, 0, 0)};
    D3DXVECTOR3 hit(7, 7, 7);
    EXPECT_FALSE(intersectTriangle(alongX, kP0, kP1, kP2, &hit));
    EXPECT_POINT(hit, 7.0f, 7.0f, 7.0f);
}

// Two unit squares facing each other at z = +1 and z = -1, as a face list.
struct TwoSquares {
    std::vector<MeshVertex> vertices;
    std::vector<uint32_t> list = {3, 0, 1, 2, 3, 0, 2, 3, 3, 4, 5, 6, 3, 4, 6, 7, 0};

    TwoSquares() {
        for (float z : {1.0f, -1.0f})
            for (auto [x, y] : {std::pair{-1, -1}, {1, -1}, {1, 1}, {-1, 1}})
                vertices.push_back(MeshVertex{float(x), float(y), z, 0, 0, 1, 0, 0});
    }
    MeshData data() const {
        return MeshData{vertices.data(), uint32_t(vertices.size()), list.data(),
                        uint32_t(list.size())};
    }
};

TEST(FaceListPick, KeepsTheCrossingNearestToTheOriginOnEitherSide) {
    const TwoSquares squares;
    D3DXVECTOR3 hit;
    ASSERT_TRUE(pickFaceList(downAt(0.5f, 0.25f, 10.0f), squares.data(), &hit));
    EXPECT_POINT(hit, 0.5f, 0.25f, 1.0f);
    // Starting beyond the far square and pointing away from both.
    ASSERT_TRUE(pickFaceList(downAt(0.5f, 0.25f, -10.0f), squares.data(), &hit));
    EXPECT_POINT(hit, 0.5f, 0.25f, -1.0f);
    EXPECT_FALSE(pickFaceList(downAt(2.0f, 0.0f), squares.data(), &hit));
}

TEST(FaceListPick, FacesNamingMissingVerticesOrRunningPastTheListAreSkipped) {
    TwoSquares squares;
    squares.list = {3, 0, 1, 99, 3, 4, 5, 6, 3, 0, 2};  // the last face is cut short
    D3DXVECTOR3 hit;
    ASSERT_TRUE(pickFaceList(downAt(0.5f, -0.5f), squares.data(), &hit));
    // Only the far square's triangle is whole.
    EXPECT_POINT(hit, 0.5f, -0.5f, -1.0f);
}

// Two parallel segments 0.1 apart along x, as two line runs.
struct TwoLines {
    std::vector<MeshVertex> vertices = {{0, 0, 0, 0, 0, 1, 0, 0},
                                        {1, 0, 0, 0, 0, 1, 0, 0},
                                        {0, 0.1f, 0, 0, 0, 1, 0, 0},
                                        {1, 0.1f, 0, 0, 0, 1, 0, 0}};
    std::vector<uint32_t> list = {2, 0, 1, 2, 2, 3, 0};

    MeshData data() const {
        return MeshData{vertices.data(), uint32_t(vertices.size()), list.data(),
                        uint32_t(list.size())};
    }
};

TEST(LineRunPick, TheFirstSegmentInListOrderWithinTheThresholdWins) {
    TwoLines lines;
    D3DXVECTOR3 hit;
    ASSERT_TRUE(pickLineRuns(downAt(0.5f, 0.05f), lines.data(), 0.1, &hit));
    EXPECT_POINT(hit, 0.5f, 0.0f, 0.0f);
    lines.list = {2, 2, 3, 2, 0, 1, 0};
    ASSERT_TRUE(pickLineRuns(downAt(0.5f, 0.05f), lines.data(), 0.1, &hit));
    EXPECT_POINT(hit, 0.5f, 0.1f, 0.0f);
    EXPECT_FALSE(pickLineRuns(downAt(0.5f, 0.05f), lines.data(), 0.01, &hit));
}

TEST(LineRunPick, ThePointIsOnTheSegmentWhereTheRayPassesClosest) {
    const TwoLines lines;
    const RayLine sideways{D3DXVECTOR3(0.25f, -1.0f, 0.5f), D3DXVECTOR3(0, 1, 0)};
    D3DXVECTOR3 hit;
    // The ray passes 0.5 above both segments.
    EXPECT_FALSE(pickLineRuns(sideways, lines.data(), 0.5, &hit));
    ASSERT_TRUE(pickLineRuns(sideways, lines.data(), 0.6, &hit));
    EXPECT_POINT(hit, 0.25f, 0.0f, 0.0f);
}

TEST(LineRunPick, ParallelSegmentsAndPassesBeyondTheEndsNeverHit) {
    const TwoLines lines;
    const RayLine alongX{D3DXVECTOR3(-5, 0.001f, 0), D3DXVECTOR3(1, 0, 0)};
    D3DXVECTOR3 hit;
    EXPECT_FALSE(pickLineRuns(alongX, lines.data(), 1.0, &hit));
    EXPECT_FALSE(pickLineRuns(downAt(1.5f, 0.0f), lines.data(), 0.4, &hit));
}

// A solid box of half-size 1 built from arrays: 12 triangles, so it has a proxy.
DXSolidMesh* boxMesh(DXSolidMesh& mesh) {
    const TwoSquares squares;
    std::vector<float> vertices;
    for (const MeshVertex& v : squares.vertices) vertices.insert(vertices.end(), {v.x, v.y, v.z});
    std::vector<int> faces;
    const int quads[6][4] = {{0, 1, 2, 3}, {4, 7, 6, 5}, {0, 4, 5, 1},
                             {1, 5, 6, 2}, {2, 6, 7, 3}, {3, 7, 4, 0}};
    for (const auto& q : quads) {
        addArrayTriangle(faces, q[0], q[1], q[2]);
        addArrayTriangle(faces, q[0], q[2], q[3]);
    }
    faces.push_back(0);
    mesh.buildFromArrays(SolidMeshArrays{vertices.data(), long(vertices.size()), nullptr, 0,
                                         faces.data(), long(faces.size())});
    return &mesh;
}

PickRequest rayRequest(D3DXVECTOR3 origin, D3DXVECTOR3 direction) {
    PickRequest request;
    request.origin = origin;
    request.direction = direction;
    return request;
}

TEST(SolidMeshPick, HitsTheNearestSideAndIgnoresTheThresholds) {
    DXSolidMesh mesh(false);
    boxMesh(mesh);
    ASSERT_NE(mesh.boxProxy(), nullptr);
    PickRequest request = rayRequest(D3DXVECTOR3(10, 0.5f, 0.25f), D3DXVECTOR3(-1, 0, 0));
    request.threshold = 0.0;
    request.backThreshold = -1.0;
    PickResult result;
    ASSERT_EQ(mesh.pickMesh(nullptr, request, &result), S_OK);
    ASSERT_TRUE(result.hit);
    EXPECT_POINT(result.point, 1.0f, 0.5f, 0.25f);

    result.hit = true;
    ASSERT_EQ(mesh.pickMesh(nullptr, rayRequest(D3DXVECTOR3(10, 3, 0), D3DXVECTOR3(-1, 0, 0)),
                            &result),
              S_OK);
    EXPECT_FALSE(result.hit);
    EXPECT_POINT(result.point, 0.0f, 0.0f, 0.0f);
}

TEST(SolidMeshPick, AMeshWithoutFacesNeverHits) {
    DXSolidMesh mesh(false);
    const std::vector<int> noFaces = {0};
    mesh.buildFromArrays(SolidMeshArrays{nullptr, 0, nullptr, 0, noFaces.data(), 1});
    PickResult result;
    EXPECT_EQ(mesh.pickMesh(nullptr, rayRequest(D3DXVECTOR3(0, 0, 5), D3DXVECTOR3(0, 0, -1)),
                            &result),
              S_OK);
    EXPECT_FALSE(result.hit);
}

TEST(SolidMeshPick, AHostBackedMeshFetchesItsFacetsBeforeItIsPicked) {
    TestFacetFactory factory([](double) { return squareFacets(0.5f); });
    TorvelMeshProvider provider;
    DXSolidMesh mesh(HostMeshBinding{3, factory.handle, &provider});
    mesh.setCurrentDeviation(2.0f);
    PickResult result;
    const PickRequest down = rayRequest(D3DXVECTOR3(0.25f, 0.25f, 5), D3DXVECTOR3(0, 0, -1));
    ASSERT_EQ(mesh.pickMesh(nullptr, down, &result), S_OK);
    ASSERT_EQ(factory.requests.size(), 1u);
    EXPECT_EQ(factory.requests[0].deviation, 2.0);
    ASSERT_TRUE(result.hit);
    EXPECT_POINT(result.point, 0.25f, 0.25f, 0.0f);
}

}  // namespace
