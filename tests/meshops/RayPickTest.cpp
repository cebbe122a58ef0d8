// Rays against triangles, face lists and line runs, and solid meshes picked
// without a viewport: the arithmetic a host's pick rests on.
#include "mesh/DXSolidMesh.h"
#include "support/MeshTestSupport.h"
#include "meshops/RayPick.h"
#include "facets/TorvelMeshProvider.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

using namespace pelmora;
using namespace pelmora::test;

RayLine downAt(float x, float y, float fromZ = 10.0f) {
    return RayLine{D3DXVECTOR3(x, y, fromZ), D3DXVECTOR3(0, 0, -1)};
}

#define EXPECT_POINT(p, ex, ey, ez) \
    do {                            \
        EXPECT_FLOAT_EQ((p).x, ex); \
        EXPECT_FLOAT_EQ((p).y, ey); \
        EXPECT_FLOAT_EQ((p).z, ez); \
    } while (0)

// Vertices and a count-prefixed list, as a mesh stores them.
struct Shape {
    std::vector<MeshVertex> vertices;
    std::vector<uint32_t> list;

    MeshData data() const {
        return MeshData{vertices.data(), uint32_t(vertices.size()), list.data(),
                        uint32_t(list.size())};
    }
};

// Two squares [-1, 1]^2 at z = +1 (vertices 0-3) and z = -1 (4-7).
Shape twoSquares() {
    Shape shape;
    for (float z : {1.0f, -1.0f})
        for (auto [x, y] : {std::pair{-1, -1}, {1, -1}, {1, 1}, {-1, 1}})
            shape.vertices.push_back(MeshVertex{float(x), float(y), z, 0, 0, 1, 0, 0});
    shape.list = {3, 0, 1, 2, 3, 0, 2, 3, 3, 4, 5, 6, 3, 4, 6, 7, 0};
    return shape;
}

TEST(RayTriangle, TheWholeLineCountsEdgesIncludedButNotInThePlane) {
    const D3DXVECTOR3 p0(0, 0, 0), p1(4, 0, 0), p2(0, 4, 0);
    D3DXVECTOR3 hit;
    ASSERT_TRUE(intersectTriangle(downAt(1, 1), p0, p1, p2, &hit));
    EXPECT_POINT(hit, 1.0f, 1.0f, 0.0f);
    ASSERT_TRUE(intersectTriangle(downAt(1, 1, -5), p0, p1, p2, &hit)) << "behind the origin";
    EXPECT_POINT(hit, 1.0f, 1.0f, 0.0f);
    EXPECT_TRUE(intersectTriangle(downAt(2, 2), p0, p1, p2, &hit)) << "on the hypotenuse";
    EXPECT_FALSE(intersectTriangle(downAt(3, 3), p0, p1, p2, &hit));
    const RayLine inPlane{D3DXVECTOR3(-1, 1, 0), D3DXVECTOR3(1, 0, 0)};
    EXPECT_FALSE(intersectTriangle(inPlane, p0, p1, p2, &hit));
}

TEST(FaceListPick, KeepsTheCrossingNearestToTheOriginOnEitherSide) {
    const Shape squares = twoSquares();
    D3DXVECTOR3 hit;
    ASSERT_TRUE(pickFaceList(downAt(0.5f, 0.25f, 10.0f), squares.data(), &hit));
    EXPECT_POINT(hit, 0.5f, 0.25f, 1.0f);
    // Starting beyond the far square and pointing away from both.
    ASSERT_TRUE(pickFaceList(downAt(0.5f, 0.25f, -10.0f), squares.data(), &hit));
    EXPECT_POINT(hit, 0.5f, 0.25f, -1.0f);
    EXPECT_FALSE(pickFaceList(downAt(2.0f, 0.0f), squares.data(), &hit));
}

TEST(LineRunPick, TheFirstSegmentWithinTheThresholdWinsAtItsClosestPoint) {
    Shape lines = twoSquares();
    lines.list = {2, 0, 1, 2, 4, 5, 0};  // y = -1 at z = 1, then at z = -1
    const RayLine sideways{D3DXVECTOR3(0.25f, -1.5f, 0.0f), D3DXVECTOR3(0, 1, 0)};
    D3DXVECTOR3 hit;
    ASSERT_TRUE(pickLineRuns(sideways, lines.data(), 1.01, &hit));
    EXPECT_POINT(hit, 0.25f, -1.0f, 1.0f);
    EXPECT_FALSE(pickLineRuns(sideways, lines.data(), 0.99, &hit));
    // Parallel to the segments, or past their ends: never.
    const RayLine alongX{D3DXVECTOR3(-5, -1, 1.001f), D3DXVECTOR3(1, 0, 0)};
    EXPECT_FALSE(pickLineRuns(alongX, lines.data(), 1.0, &hit));
    EXPECT_FALSE(pickLineRuns(downAt(1.5f, -1.0f), lines.data(), 0.4, &hit));
}

PickRequest rayRequest(D3DXVECTOR3 origin, D3DXVECTOR3 direction) {
    PickRequest request;
    request.origin = origin;
    request.direction = direction;
    return request;
}

TEST(SolidMeshPick, AMeshWithABoxProxyIsHitWhereTheRayCrossesItAndMissedBesideIt) {
    const Shape squares = twoSquares();
    std::vector<float> vertices;
    for (const MeshVertex& v : squares.vertices) vertices.insert(vertices.end(), {v.x, v.y, v.z});
    std::vector<int> faces;
    for (auto [a, b, c] : {std::tuple{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}, {1, 5, 6}})
        addArrayTriangle(faces, a, b, c);
    faces.push_back(0);
    DXSolidMesh mesh(false);
    mesh.buildFromArrays(SolidMeshArrays{vertices.data(), long(vertices.size()), nullptr, 0,
                                         faces.data(), long(faces.size())});
    ASSERT_NE(mesh.boxProxy(), nullptr);
    // Towards the side triangle at x = 1 from beyond it.
    PickRequest request = rayRequest(D3DXVECTOR3(10, -0.5f, -0.25f), D3DXVECTOR3(-1, 0, 0));
    request.backThreshold = -1.0;
    PickResult result;
    ASSERT_EQ(mesh.pickMesh(nullptr, request, &result), S_OK);
    ASSERT_TRUE(result.hit);
    EXPECT_POINT(result.point, 1.0f, -0.5f, -0.25f);
    request.origin = D3DXVECTOR3(10, 3, 0);
    ASSERT_EQ(mesh.pickMesh(nullptr, request, &result), S_OK);
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
