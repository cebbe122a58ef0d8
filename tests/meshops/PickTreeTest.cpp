// The pick hierarchy against the brute-force loops it stands in for: random
// rays over a 100,000-triangle surface and over line meshes give the same
// hits, bit for bit, ties and the first-segment rule included; a mesh picks
// its new geometry after a refresh, not the hierarchy of the old one.
#include "mesh/DXSolidMesh.h"
#include "support/MeshTestSupport.h"
#include "meshops/PickTree.h"
#include "meshops/RayPick.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

using namespace pelmora;
using namespace pelmora::test;

struct Shape {
    std::vector<MeshVertex> vertices;
    std::vector<uint32_t> list;

    MeshData data() const {
        return MeshData{vertices.data(), uint32_t(vertices.size()), list.data(), uint32_t(list.size())};
    }
};

MeshVertex at(float x, float y, float z) { return MeshVertex{x, y, z, 0, 0, 1, 0, 0}; }

// A wavy surface of columns x rows quads over [-1, 1]^2, two triangles each,
// then the first `repeats` triangles again (crossed at exactly the same
// distance as their originals, so list order must decide).
Shape wavySurface(int columns, int rows, int repeats) {
    Shape s;
    for (int j = 0; j <= rows; ++j)
        for (int i = 0; i <= columns; ++i) {
            const float x = -1.0f + 2.0f * float(i) / float(columns);
            const float y = -1.0f + 2.0f * float(j) / float(rows);
            s.vertices.push_back(at(x, y, 0.2f * std::sin(7.0f * x) * std::cos(5.0f * y)));
        }
    const uint32_t stride = uint32_t(columns + 1);
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            const uint32_t a = uint32_t(j) * stride + uint32_t(i);
            s.list.insert(s.list.end(), {3, a, a + 1, a + stride + 1, 3, a, a + stride + 1, a + stride});
        }
    for (int k = 0; k < repeats; ++k) s.list.insert(s.list.end(), s.list.begin() + 4 * k, s.list.begin() + 4 * k + 4);
    s.list.push_back(0);
    return s;
}

// Polylines wandering through [-1, 1]^3, some broken by an index past the
// vertices, and segments repeated so that several lie within a threshold.
Shape wanderingLines(std::mt19937& random, int polylines, int length) {
    std::uniform_real_distribution<float> step(-0.08f, 0.08f), start(-1.0f, 1.0f);
    Shape s;
    for (int p = 0; p < polylines; ++p) {
        float x = start(random), y = start(random), z = start(random);
        s.list.push_back(uint32_t(length));
        for (int k = 0; k < length; ++k) {
            s.list.push_back(k == length / 2 && p % 7 == 0 ? 1000000u : uint32_t(s.vertices.size()));
            s.vertices.push_back(at(x, y, z));
            x += step(random), y += step(random), z += step(random);
        }
        if (p % 5 == 0) s.list.insert(s.list.end(), {2, uint32_t(s.vertices.size() - 2), uint32_t(s.vertices.size() - 1)});
    }
    s.list.push_back(0);
    return s;
}

// Rays from anywhere around the shape, half aimed at a vertex (through the
// edges and corners where neighbouring primitives tie), in every direction.
std::vector<RayLine> randomRays(std::mt19937& random, const Shape& shape, int count) {
    std::uniform_real_distribution<float> around(-3.0f, 3.0f), unit(-1.0f, 1.0f);
    std::uniform_int_distribution<size_t> vertex(0, shape.vertices.size() - 1);
    std::vector<RayLine> rays;
    for (int k = 0; k < count; ++k) {
        const D3DXVECTOR3 origin(around(random), around(random), around(random));
        D3DXVECTOR3 direction(unit(random), unit(random), unit(random));
        if (k % 2 == 0) {
            const MeshVertex& v = shape.vertices[vertex(random)];
            direction = D3DXVECTOR3(v.x - origin.x, v.y - origin.y, v.z - origin.z);
        }
        if (k % 10 == 1) direction = D3DXVECTOR3(0, 0, k % 20 == 1 ? -1.0f : 1.0f);  // straight down or up
        rays.push_back(RayLine{origin, direction});
    }
    return rays;
}

#define EXPECT_SAME_HIT(treeFound, treeHit, bruteFound, bruteHit)       \
    do {                                                                \
        ASSERT_EQ(treeFound, bruteFound) << "ray " << k;                \
        if (bruteFound) {                                               \
            EXPECT_EQ(treeHit.x, bruteHit.x) << "ray " << k;            \
            EXPECT_EQ(treeHit.y, bruteHit.y) << "ray " << k;            \
            EXPECT_EQ(treeHit.z, bruteHit.z) << "ray " << k;            \
        }                                                               \
    } while (0)

TEST(PickTree, RandomRaysOverAHundredThousandTrianglesHitWhatBruteForceHits) {
    std::mt19937 random(15);
    const Shape surface = wavySurface(224, 224, 500);
    const MeshData data = surface.data();
    const PickTree tree = PickTree::forFaces(data);
    ASSERT_EQ(tree.primitiveCount(), 224u * 224u * 2u + 500u);
    const std::vector<RayLine> rays = randomRays(random, surface, 200);
    int hits = 0;
    for (size_t k = 0; k < rays.size(); ++k) {
        D3DXVECTOR3 treeHit(0, 0, 0), bruteHit(0, 0, 0);
        const bool bruteFound = pickFaceList(rays[k], data, &bruteHit);
        EXPECT_SAME_HIT(tree.pickFace(rays[k], data, &treeHit), treeHit, bruteFound, bruteHit);
        hits += bruteFound ? 1 : 0;
    }
    EXPECT_GT(hits, 70) << "the rays must mostly hit for the comparison to mean something";
}

TEST(PickTree, RandomRaysOverLineMeshesFindTheFirstSegmentWithinTheThreshold) {
    std::mt19937 random(16);
    for (double threshold : {0.002, 0.02, 0.2}) {
        SCOPED_TRACE(threshold);
        const Shape lines = wanderingLines(random, 400, 30);
        const MeshData data = lines.data();
        const PickTree tree = PickTree::forLines(data);
        const std::vector<RayLine> rays = randomRays(random, lines, 250);
        int hits = 0;
        for (size_t k = 0; k < rays.size(); ++k) {
            D3DXVECTOR3 treeHit(0, 0, 0), bruteHit(0, 0, 0);
            const bool bruteFound = pickLineRuns(rays[k], data, threshold, &bruteHit);
            EXPECT_SAME_HIT(tree.pickLine(rays[k], data, threshold, &treeHit), treeHit, bruteFound, bruteHit);
            hits += bruteFound ? 1 : 0;
        }
        EXPECT_GT(hits, 25);
    }
}

TEST(PickTree, CrossingsAsFarBeforeAsBehindTheOriginGoToTheFirstInTheList) {
    // Squares at z = 1 and z = -1, crossed at distance 1 either way from z = 0.
    for (bool upperFirst : {true, false}) {
        Shape squares;
        for (float z : {upperFirst ? 1.0f : -1.0f, upperFirst ? -1.0f : 1.0f})
            for (auto [x, y] : {std::pair{-1, -1}, {1, -1}, {1, 1}, {-1, 1}})
                squares.vertices.push_back(at(float(x), float(y), z));
        squares.list = {3, 0, 1, 2, 3, 0, 2, 3, 3, 4, 5, 6, 3, 4, 6, 7, 0};
        const PickTree tree = PickTree::forFaces(squares.data());
        const RayLine up{D3DXVECTOR3(0.3f, 0.2f, 0), D3DXVECTOR3(0, 0, 1)};
        D3DXVECTOR3 hit(0, 0, 0);
        ASSERT_TRUE(tree.pickFace(up, squares.data(), &hit));
        EXPECT_EQ(hit.z, upperFirst ? 1.0f : -1.0f);
    }
}

TEST(PickTree, DegenerateRaysThresholdsAndCoordinatesAnswerAsBruteForce) {
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    constexpr float kInf = std::numeric_limits<float>::infinity();
    Shape shape = wavySurface(4, 4, 0);
    shape.vertices[3].x = kInf;  // its triangles have no box
    shape.vertices[7].z = kNaN;
    const MeshData data = shape.data();
    const PickTree faces = PickTree::forFaces(data);
    const PickTree lines = PickTree::forLines(data);
    const RayLine rays[] = {
        {D3DXVECTOR3(0.1f, 0.1f, 5), D3DXVECTOR3(0, 0, 0)},
        {D3DXVECTOR3(0.1f, 0.1f, 5), D3DXVECTOR3(0, 0, kNaN)},
        {D3DXVECTOR3(kInf, 0.1f, 5), D3DXVECTOR3(0, 0, -1)},
        {D3DXVECTOR3(0.1f, 0.1f, 5), D3DXVECTOR3(0, 0, -1)},
        {D3DXVECTOR3(0.5f, -0.5f, 5), D3DXVECTOR3(0.01f, 0.02f, -1)},
    };
    for (size_t k = 0; k < std::size(rays); ++k) {
        D3DXVECTOR3 treeHit(0, 0, 0), bruteHit(0, 0, 0);
        bool bruteFound = pickFaceList(rays[k], data, &bruteHit);
        EXPECT_SAME_HIT(faces.pickFace(rays[k], data, &treeHit), treeHit, bruteFound, bruteHit);
        for (double threshold : {-1.0, 0.0, 0.3, double(kInf), double(kNaN)}) {
            SCOPED_TRACE(threshold);
            bruteFound = pickLineRuns(rays[k], data, threshold, &bruteHit);
            EXPECT_SAME_HIT(lines.pickLine(rays[k], data, threshold, &treeHit), treeHit, bruteFound, bruteHit);
        }
    }
}

TEST(PickTree, AMeshPicksItsNewGeometryAfterARefresh) {
    // A square of half-size deviation / 10 at each refresh.
    TestFacetFactory factory([](double deviation) { return squareFacets(float(deviation / 10.0)); });
    DXSolidMesh mesh(HostMeshBinding{3, factory.handle, nullptr});
    PickRequest request;
    request.origin = D3DXVECTOR3(0.3f, 0.3f, 5);
    request.direction = D3DXVECTOR3(0, 0, -1);
    for (auto [deviation, hit] : {std::pair{1.0f, false}, {5.0f, true}, {1.0f, false}}) {
        ASSERT_EQ(mesh.refreshMesh(deviation), S_OK);
        PickResult result;
        ASSERT_EQ(mesh.pickMesh(nullptr, request, &result), S_OK);
        EXPECT_EQ(result.hit, hit) << deviation;
    }
}

}  // namespace
