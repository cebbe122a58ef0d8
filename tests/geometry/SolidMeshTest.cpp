// Solid meshes without a device: geometry from the host's arrays and from
// host facet sets, and the box proxy.
#include "geometry/DXSolidMesh.h"
#include "geometry/MeshTestSupport.h"

#include <pelmora/exception.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace pelmora;
using namespace pelmora::test;

std::string captured(const std::function<void()>& action) {
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

// Vertices on a line x = 0, 1, 2, ... with distinct positions.
std::vector<float> pointRow(int count) {
    std::vector<float> values;
    for (int i = 0; i < count; ++i) values.insert(values.end(), {float(i), float(i % 2), 0.0f});
    return values;
}

SolidMeshArrays arraysOf(const std::vector<float>& vertices, const std::vector<float>& normals,
                         const std::vector<int>& faces) {
    return SolidMeshArrays{vertices.data(),      long(vertices.size()), normals.data(),
                           long(normals.size()), faces.data(),          long(faces.size())};
}

std::vector<uint32_t> triangleList(const SolidGeometry& geometry) { return geometry.faces; }

// ---- From arrays ----

TEST(SolidMeshFromArrays, KeepsTrianglesWithTheirNormalsAndTexturesAtZero) {
    const std::vector<float> vertices = pointRow(3);
    const std::vector<float> normals = {0, 0, 1, 0, 1, 0, 1, 0, 0};
    std::vector<int> faces;
    addArrayTriangle(faces, 0, 1, 2);
    faces.push_back(0);
    DXSolidMesh mesh(false);
    mesh.buildFromArrays(arraysOf(vertices, normals, faces));
    ASSERT_NE(mesh.geometry(), nullptr);
    EXPECT_EQ(mesh.geometry()->vertexCount, 3u);
    EXPECT_EQ(mesh.geometry()->count, 1u);
    EXPECT_EQ(triangleList(*mesh.geometry()), (std::vector<uint32_t>{3, 0, 1, 2, 0}));
    const MeshVertex& second = mesh.geometry()->vertices[1];
    EXPECT_EQ(second.x, 1.0f);
    EXPECT_EQ(second.ny, 1.0f);
    EXPECT_EQ(second.u, 0.0f);
    EXPECT_EQ(mesh.boxProxy(), nullptr) << "one face is too few for a proxy";
}

TEST(SolidMeshFromArrays, WithoutNormalsEveryNormalPointsAlongZ) {
    const std::vector<float> vertices = pointRow(3);
    const std::vector<int> faces = {3, 0, 0, 1, 0, 2, 0, 0};
    DXSolidMesh mesh(false);
    mesh.buildFromArrays(SolidMeshArrays{vertices.data(), 9, nullptr, 0, faces.data(), 8});
    ASSERT_NE(mesh.geometry(), nullptr);
    for (const MeshVertex& vertex : mesh.geometry()->vertices) EXPECT_EQ(vertex.nz, 1.0f);
}

TEST(SolidMeshFromArrays, AQuadKeepsItsFirstThreeVerticesAndSaysSo) {
    const std::vector<float> vertices = pointRow(7);
    // Quad (0, 1, 2, 99): 99 is never read; the next face starts 9 integers on.
    std::vector<int> faces = {4, 0, 0, 1, 0, 2, 0, 99, 0};
    addArrayTriangle(faces, 3, 4, 5);
    faces.push_back(0);
    DXSolidMesh mesh(false);
    const std::string out =
        captured([&] { mesh.buildFromArrays(arraysOf(vertices, vertices, faces)); });
    EXPECT_NE(
        out.find(
            "INVALID MESH: ACIS gave Pelmora a facet of 4 vertices. Truncating to triangle.\n"),
        std::string::npos)
        << out;
    EXPECT_EQ(triangleList(*mesh.geometry()), (std::vector<uint32_t>{3, 0, 1, 2, 3, 3, 4, 5, 0}));
}

TEST(SolidMeshFromArrays, ADegenerateTriangleIsDroppedAndTheCountShrinks) {
    std::vector<float> vertices = pointRow(4);
    vertices[9] = vertices[3];  // vertex 3 sits on vertex 1
    vertices[10] = vertices[4];
    std::vector<int> faces;
    addArrayTriangle(faces, 0, 1, 2);
    addArrayTriangle(faces, 0, 1, 3);
    faces.push_back(0);
    DXSolidMesh mesh(false);
    mesh.buildFromArrays(arraysOf(vertices, vertices, faces));
    EXPECT_EQ(mesh.geometry()->count, 1u);
    EXPECT_EQ(triangleList(*mesh.geometry()), (std::vector<uint32_t>{3, 0, 1, 2, 0}));
}

TEST(SolidMeshFromArrays, AnEmptyFaceListGivesAMeshWithNothingToDraw) {
    const std::vector<float> vertices = pointRow(3);
    const std::vector<int> faces = {0};
    DXSolidMesh mesh(false);
    mesh.buildFromArrays(arraysOf(vertices, vertices, faces));
    ASSERT_NE(mesh.geometry(), nullptr);
    EXPECT_EQ(mesh.geometry()->count, 0u);
}

TEST(SolidMeshFromArrays, FiveFacesGetABoxProxyFourDoNot) {
    const std::vector<float> vertices = {-1, -2, -3, 4, 5, 6, 1, 0, 0, 0, 1, 0};
    for (int faceCount : {4, 5}) {
        std::vector<int> faces;
        for (int i = 0; i < faceCount; ++i) addArrayTriangle(faces, 0, 1, 2 + i % 2);
        faces.push_back(0);
        DXSolidMesh mesh(false);
        mesh.buildFromArrays(arraysOf(vertices, vertices, faces));
        if (faceCount == 4) {
            EXPECT_EQ(mesh.boxProxy(), nullptr);
            continue;
        }
        ASSERT_NE(mesh.boxProxy(), nullptr);
        const BoxProxy& box = *mesh.boxProxy();
        EXPECT_DOUBLE_EQ(box.volume, 5.0 * 7.0 * 9.0);
        // Corner 0: minimum x, maximum y, maximum z; corner 7 the opposite.
        EXPECT_EQ(box.corners[0].x, -1.0f);
        EXPECT_EQ(box.corners[0].y, 5.0f);
        EXPECT_EQ(box.corners[0].z, 6.0f);
        EXPECT_EQ(box.corners[7].x, 4.0f);
        EXPECT_EQ(box.corners[7].y, -2.0f);
        EXPECT_EQ(box.corners[7].z, -3.0f);
        EXPECT_EQ(box.faces[0], 3u);
        EXPECT_EQ(box.faces[1], 0u);
        EXPECT_EQ(box.faces[2], 2u);
        EXPECT_EQ(box.faces[3], 1u);
        EXPECT_EQ(box.faces[BoxProxy::kFaceListLength - 1], 0u);
    }
}

// ---- From host facets ----

class SolidMeshFromFacets : public testing::Test {
protected:
    static constexpr int kHostMesh = 41;

    // Fetches once, as a refresh does, at deviation 2.
    std::unique_ptr<DXSolidMesh> fetched(TestFacetFactory& factory) {
        auto mesh =
            std::make_unique<DXSolidMesh>(HostMeshBinding{kHostMesh, factory.handle, nullptr});
        mesh->setCurrentDeviation(2.0f);
        EXPECT_EQ(mesh->refine(nullptr, false), S_OK);
        return mesh;
    }
};

TEST_F(SolidMeshFromFacets, VerticesAndTrianglesAreCopiedAndTheSourceGoesBack) {
    TestFacetFactory factory([](double) {
        auto facets = squareFacets(1.0f);
        facets->twoSided = true;
        return facets;
    });
    auto mesh = fetched(factory);
    ASSERT_EQ(factory.requests.size(), 1u);
    EXPECT_EQ(factory.requests[0].hostMesh, kHostMesh);
    EXPECT_EQ(factory.requests[0].deviation, 2.0);
    EXPECT_EQ(factory.requests[0].manual, 1);
    EXPECT_EQ(factory.outstanding, 0);
    ASSERT_NE(mesh->geometry(), nullptr);
    EXPECT_EQ(mesh->geometry()->vertexCount, 4u);
    EXPECT_EQ(mesh->geometry()->vertices[2].x, 1.0f);
    EXPECT_EQ(triangleList(*mesh->geometry()), (std::vector<uint32_t>{3, 0, 1, 2, 3, 0, 2, 3, 0}));
    EXPECT_TRUE(mesh->isDoubleSided());
    EXPECT_EQ(mesh->boxProxy(), nullptr);
}

TEST_F(SolidMeshFromFacets, AListShorterThanOneTriangleGivesAnEmptyMesh) {
    TestFacetFactory factory([](double) {
        auto facets = squareFacets(1.0f);
        facets->faces = {3, 0, 1, 2};
        return facets;
    });
    auto mesh = fetched(factory);
    ASSERT_NE(mesh->geometry(), nullptr);
    EXPECT_EQ(mesh->geometry()->count, 0u);
}

TEST_F(SolidMeshFromFacets, AFourVertexFaceBecomesItsFirstTriangle) {
    TestFacetFactory factory([](double) {
        auto facets = squareFacets(1.0f);
        facets->faces = {4, 0, 1, 2, 3, 3, 0, 2, 3, 0};
        return facets;
    });
    std::unique_ptr<DXSolidMesh> mesh;
    const std::string out = captured([&] { mesh = fetched(factory); });
    EXPECT_NE(out.find("INVALID MESH: ACIS gave Pelmora a facet of 4 vertices."),
              std::string::npos);
    EXPECT_EQ(triangleList(*mesh->geometry()), (std::vector<uint32_t>{3, 0, 1, 2, 3, 0, 2, 3, 0}));
}

TEST_F(SolidMeshFromFacets, FacesNamingMissingVerticesAreDroppedWithOneLine) {
    TestFacetFactory factory([](double) {
        auto facets = squareFacets(1.0f);
        facets->faces = {3, 0, 1, 7, 3, 0, 2, 3, 3, -1, 1, 2, 0};
        return facets;
    });
    std::unique_ptr<DXSolidMesh> mesh;
    const std::string out = captured([&] { mesh = fetched(factory); });
    EXPECT_EQ(triangleList(*mesh->geometry()), (std::vector<uint32_t>{3, 0, 2, 3, 0}));
    EXPECT_NE(out.find("2 face(s) dropped"), std::string::npos) << out;
    EXPECT_EQ(out.find("dropped"), out.rfind("dropped")) << out;
}

TEST_F(SolidMeshFromFacets, AFailingFactoryIsLoggedAndLeavesNoGeometry) {
    TestFacetFactory factory([](double) { return squareFacets(1.0f); });
    factory.failWith = E_FAIL;
    std::unique_ptr<DXSolidMesh> mesh =
        std::make_unique<DXSolidMesh>(HostMeshBinding{kHostMesh, factory.handle, nullptr});
    testing::internal::CaptureStdout();
    EXPECT_EQ(mesh->refine(nullptr, false), E_FAIL);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("FAILED HRESULT (0x80004005)"), std::string::npos) << log;
    EXPECT_NE(log.find("DXUserMesh"), std::string::npos) << log;
    EXPECT_EQ(mesh->geometry(), nullptr);
}

TEST_F(SolidMeshFromFacets, AFaultInTheFactoryBecomesItsCode) {
    TestFacetFactory factory([](double) -> std::unique_ptr<TestFacets> {
        throw TorvelStructuredException(0x1000u, EXCEPTION_ACCESS_VIOLATION);
    });
    DXSolidMesh mesh(HostMeshBinding{kHostMesh, factory.handle, nullptr});
    testing::internal::CaptureStdout();
    EXPECT_EQ(mesh.refine(nullptr, false), HRESULT(0xC0000005u));
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Caught SE in Pelmora: 0xc0000005"), std::string::npos) << log;
}

}  // namespace
