// Feature edges of solids built from the host's arrays: which facet edges a
// crease angle keeps, open boundaries, and geometry the finder must not trust.
#include "mesh/DXSolidMesh.h"
#include "meshops/FeatureEdges.h"
#include "support/SolidShapes.h"
#include "platform/win/CreaseAngleSetting.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pelmora {
namespace {

using test::ShapeArrays;

SolidGeometry geometryOf(const ShapeArrays& shape) {
    DXSolidMesh mesh(false);
    const SolidMeshArrays arrays{shape.vertices.data(), long(shape.vertices.size()),
                                 shape.normals.data(), long(shape.normals.size()),
                                 shape.faces.data(), long(shape.faces.size())};
    EXPECT_EQ(DXSolidMesh::validateArrays(arrays), S_OK);
    mesh.buildFromArrays(arrays);
    SolidGeometry copy;
    if (mesh.geometry() != nullptr) copy = *mesh.geometry();
    return copy;
}

// Edges along which exactly `axes` of x, y, z change (1: parallel to an axis).
int edgesChanging(const FeatureEdges& edges, int axes) {
    int count = 0;
    for (size_t i = 0; i + 1 < edges.points.size(); i += 2) {
        const D3DXVECTOR3& a = edges.points[i];
        const D3DXVECTOR3& b = edges.points[i + 1];
        const int changing = (a.x != b.x) + (a.y != b.y) + (a.z != b.z);
        count += changing == axes;
    }
    return count;
}

TEST(FeatureEdges, TheCreaseAngleKeepsSharpEdgesAndBoundariesOnly) {
    ShapeArrays square;  // two triangles, open on all four sides
    for (auto [x, y] : {std::pair{0.f, 0.f}, {1.f, 0.f}, {1.f, 1.f}, {0.f, 1.f}})
        square.addVertex(x, y, 0, 0, 0, 1);
    test::addArrayTriangle(square.faces, 0, 1, 2);
    test::addArrayTriangle(square.faces, 0, 2, 3);
    square.faces.push_back(0);

    struct Case {
        const char* name;
        ShapeArrays shape;
        float crease;
        size_t edges;
        int axisParallel;  // edges parallel to an axis, -1 unchecked
        size_t facePairs;  // silhouette candidates: shared edges not in one plane
        uint32_t sharpPairs;  // of those, the ones that are feature edges too
        size_t unpaired;      // feature edges that are no face pair
    };
    const Case cases[] = {
        {"cube: the 12 edges, no diagonal", test::cubeArrays(1), 20, 12, 12, 12, 12, 0},
        {"cube at crease 0: the diagonals too", test::cubeArrays(1), 0, 18, 12, 12, 12, 6},
        {"cube at crease 89: still sharp", test::cubeArrays(1), 89, 12, 12, 12, 12, 0},
        {"cube at crease 91: nothing left", test::cubeArrays(1), 91, 0, -1, 12, 0, 0},
        // 24 sides turn 15 degrees each: smooth at 20, sharp at 10.
        {"cylinder: the two circles", test::cylinderArrays(1, 1, 24), 20, 48, -1, 72, 48, 0},
        {"cylinder at crease 10: the side lines too", test::cylinderArrays(1, 1, 24), 10, 72, -1, 72, 72, 0},
        {"open square: its boundary, not its diagonal", square, 20, 4, 4, 0, 0, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FeatureEdges edges = extractFeatureEdges(geometryOf(c.shape), c.crease);
        EXPECT_EQ(edges.edgeCount(), c.edges);
        EXPECT_EQ(edges.facePairs.size(), c.facePairs);
        EXPECT_EQ(edges.sharpPairs, c.sharpPairs);
        EXPECT_EQ(edges.unpairedPoints.size() / 2, c.unpaired);
        // Every feature edge is drawn once: a sharp pair or an unpaired edge
        // (none of these shapes splits a straight edge, so none is joined).
        EXPECT_EQ(edges.sharpPairs + edges.unpairedPoints.size() / 2, edges.edgeCount());
        // The sharp pairs come first: each turns by more than the crease angle, each after them by less.
        const float creaseCosine = std::cos(c.crease * 3.14159265f / 180);
        for (size_t i = 0; i < edges.facePairs.size(); ++i) {
            const FacePairEdge& pair = edges.facePairs[i];
            const float cosine = D3DXVec3Dot(&pair.normal0, &pair.normal1);
            EXPECT_EQ(cosine < creaseCosine, i < edges.sharpPairs) << "pair " << i;
        }
        if (c.axisParallel >= 0) {
            EXPECT_EQ(edgesChanging(edges, 1), c.axisParallel);
        }
    }
}

TEST(FeatureEdges, GeometryWithIndicesOutsideItsVerticesGivesNoEdges) {
    SolidGeometry geometry = geometryOf(test::cubeArrays(1));
    ASSERT_GT(geometry.count, 0u);
    geometry.triangles.set(0, 0, geometry.vertexCount + 5);
    EXPECT_EQ(extractFeatureEdges(geometry, 20).edgeCount(), 0u);
    EXPECT_EQ(extractFeatureEdges(SolidGeometry{}, 20).edgeCount(), 0u);
}

// Faces whose normals overflow a float (a cube 2e20 across; a corner at
// 1e38) still give edges and directions, never a NaN to sort by.
TEST(FeatureEdges, FacesTooLargeForAFloatNormalGiveEdgesWithFiniteNormals) {
    const FeatureEdges unit = extractFeatureEdges(geometryOf(test::cubeArrays(1)), 20);
    const FeatureEdges huge = extractFeatureEdges(geometryOf(test::cubeArrays(1e20f)), 20);
    EXPECT_EQ(edgesChanging(huge, 1), edgesChanging(unit, 1));
    ShapeArrays stretched = test::cubeArrays(1);
    stretched.vertices[0] = 1e38;
    const FeatureEdges far = extractFeatureEdges(geometryOf(stretched), 20);
    EXPECT_GT(far.edgeCount(), 0u);
    for (const FeatureEdges* edges : {&huge, &far})
        for (const FacePairEdge& pair : edges->facePairs)
            EXPECT_TRUE(std::isfinite(pair.normal0.x + pair.normal0.y + pair.normal0.z + pair.normal1.x +
                                      pair.normal1.y + pair.normal1.z));
}

// The setting is read from a registry of the test's own.
TEST(CreaseAngleSettingTest, ReadsDegreesAsNumberOrTextAndFallsBackOnNonsense) {
    const test::ScopedRegistry registry;
    EXPECT_EQ(win::readCreaseAngleSetting(), 20.0f);  // no key at all
    const DWORD zero = 0;
    ASSERT_TRUE(test::storeUserValue(test::kPelmoraKey, "Crease Angle", REG_DWORD, &zero, sizeof zero));
    EXPECT_EQ(win::readCreaseAngleSetting(), 0.0f);
    struct Case {
        const char* text;
        float degrees;
    };
    for (const Case& c : {Case{"45", 45.0f}, Case{"12.5", 12.5f}, Case{"steep", 20.0f},
                          Case{"-3", 20.0f}, Case{"400", 20.0f}, Case{"", 20.0f}}) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(test::storeUserString(test::kPelmoraKey, "Crease Angle", c.text));
        EXPECT_EQ(win::readCreaseAngleSetting(), c.degrees);
    }
}

}  // namespace
}  // namespace pelmora
