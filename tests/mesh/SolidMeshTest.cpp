// Solid meshes without a device: geometry from the host's arrays and from
// host facet sets, and the box proxy.
#include "mesh/DXSolidMesh.h"
#include "support/MeshTestSupport.h"
#include "meshops/RayPick.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace pelmora;
using namespace pelmora::test;
using Faces = std::vector<uint32_t>;

constexpr int kHostMesh = 41;
constexpr const char* kQuadLine = "INVALID MESH: ACIS gave Pelmora a facet of 4 vertices. Truncating to triangle.\n";

std::vector<int> triangles(std::initializer_list<std::array<int, 3>> list) {
    std::vector<int> faces;
    for (const auto& t : list) addArrayTriangle(faces, t[0], t[1], t[2]);
    faces.push_back(0);
    return faces;
}

std::unique_ptr<DXSolidMesh> fromArrays(const std::vector<float>& vertices, const std::vector<float>& normals,
                                        const std::vector<int>& faces) {
    auto mesh = std::make_unique<DXSolidMesh>(false);
    mesh->buildFromArrays({vertices.data(), long(vertices.size()), normals.data(), long(normals.size()),
                           faces.data(), long(faces.size())});
    return mesh;
}

TEST(SolidMeshFromArrays, KeepsTrianglesWithTheirNormalsAndTexturesAtZero) {
    const auto mesh = fromArrays(pointRow(3), {0, 0, 1, 0, 1, 0, 1, 0, 0}, triangles({{0, 1, 2}}));
    ASSERT_NE(mesh->geometry(), nullptr);
    EXPECT_EQ(mesh->geometry()->vertexCount, 3u);
    EXPECT_EQ(mesh->geometry()->count, 1u);
    EXPECT_EQ(faceListOf(*mesh->geometry()), (Faces{3, 0, 1, 2, 0}));
    const MeshVertex second = mesh->geometry()->surface[1];
    EXPECT_EQ(second.x, 1.0f);
    EXPECT_EQ(second.ny, 1.0f);
    EXPECT_EQ(second.u, 0.0f);
    EXPECT_EQ(mesh->boxProxy(), nullptr) << "one face is too few for a proxy";
    const auto withoutNormals = fromArrays(pointRow(3), {}, triangles({{0, 1, 2}}));
    for (const MeshVertex& vertex : withoutNormals->geometry()->surface.whole())
        EXPECT_EQ(vertex.nz, 1.0f) << "without normals every normal points along z";
}

TEST(SolidMeshFromArrays, QuadsAreTruncatedAndDegenerateOrMissingFacesDropped) {
    std::vector<float> coincident = pointRow(4);
    coincident[9] = coincident[3];  // vertex 3 sits on vertex 1
    coincident[10] = coincident[4];
    // Quad (0, 1, 2, 99): 99 is never read; the next face starts 9 integers on.
    std::vector<int> quad = {4, 0, 0, 1, 0, 2, 0, 99, 0};
    addArrayTriangle(quad, 3, 4, 5);
    quad.push_back(0);
    struct Case {
        const char* what;
        std::vector<float> vertices;
        std::vector<int> faces;
        Faces expected;
        uint32_t count;
        const char* logged;
    };
    const Case cases[] = {
        {"quad", pointRow(7), quad, {3, 0, 1, 2, 3, 3, 4, 5, 0}, 2, kQuadLine},
        {"degenerate", coincident, triangles({{0, 1, 2}, {0, 1, 3}}), {3, 0, 1, 2, 0}, 1, ""},
        {"empty", pointRow(3), {0}, {0}, 0, ""},
    };
    for (const Case& c : cases) {
        std::unique_ptr<DXSolidMesh> mesh;
        const std::string out = captured([&] { mesh = fromArrays(c.vertices, c.vertices, c.faces); });
        ASSERT_NE(mesh->geometry(), nullptr) << c.what;
        EXPECT_EQ(mesh->geometry()->count, c.count) << c.what;
        if (c.count > 0) {
            EXPECT_EQ(faceListOf(*mesh->geometry()), c.expected) << c.what;
        }
        EXPECT_NE(out.find(c.logged), std::string::npos) << c.what << ": " << out;
    }
}

TEST(SolidMeshFromArrays, FiveFacesGetABoxProxyFourDoNot) {
    const std::vector<float> vertices = {-1, -2, -3, 4, 5, 6, 1, 0, 0, 0, 1, 0};
    EXPECT_EQ(fromArrays(vertices, vertices, triangles({{0, 1, 2}, {0, 1, 3}, {0, 1, 2}, {0, 1, 3}}))->boxProxy(), nullptr);
    const auto mesh = fromArrays(vertices, vertices, triangles({{0, 1, 2}, {0, 1, 3}, {0, 1, 2}, {0, 1, 3}, {0, 1, 2}}));
    ASSERT_NE(mesh->boxProxy(), nullptr);
    const BoxProxy& box = *mesh->boxProxy();
    EXPECT_DOUBLE_EQ(box.volume, 5.0 * 7.0 * 9.0);
    EXPECT_EQ((std::tuple{box.corners[0].x, box.corners[7].y, box.corners[7].z}), (std::tuple{-1.0f, -2.0f, -3.0f}));
}

// Fetches once, as a refresh does, at deviation 2.
std::unique_ptr<DXSolidMesh> fetched(TestFacetFactory& factory, std::string* log = nullptr) {
    auto mesh = std::make_unique<DXSolidMesh>(HostMeshBinding{kHostMesh, factory.handle, nullptr});
    mesh->setCurrentDeviation(2.0f);
    const std::string out = captured([&] { EXPECT_EQ(mesh->refine(nullptr, false), S_OK); });
    if (log) *log = out;
    return mesh;
}

TEST(SolidMeshFromFacets, FacesAreCopiedQuadsTruncatedAndFacesNamingMissingVerticesDropped) {
    struct Case {
        std::vector<int> faces;
        Faces expected;
        const char* logged;
    };
    const Case cases[] = {
        {{3, 0, 1, 2, 3, 0, 2, 3, 0}, {3, 0, 1, 2, 3, 0, 2, 3, 0}, ""},
        {{3, 0, 1, 2}, {}, ""},  // shorter than one triangle: an empty mesh
        {{4, 0, 1, 2, 3, 3, 0, 2, 3, 0}, {3, 0, 1, 2, 3, 0, 2, 3, 0}, kQuadLine},
        {{3, 0, 1, 7, 3, 0, 2, 3, 3, -1, 1, 2, 0}, {3, 0, 2, 3, 0}, "2 face(s) dropped"},
    };
    for (const Case& c : cases) {
        TestFacetFactory factory([&](double) {
            auto facets = squareFacets(1.0f);
            facets->faces = c.faces;
            facets->twoSided = true;
            return facets;
        });
        std::string log;
        const auto mesh = fetched(factory, &log);
        EXPECT_EQ((std::tuple{factory.requests.at(0).hostMesh, factory.requests[0].deviation, factory.requests[0].manual,
                              factory.outstanding}),
                  (std::tuple{kHostMesh, 2.0, 1, 0}));
        ASSERT_NE(mesh->geometry(), nullptr);
        EXPECT_TRUE(mesh->isDoubleSided());
        if (c.expected.empty()) {
            EXPECT_EQ(mesh->geometry()->count, 0u);
        } else {
            EXPECT_EQ(faceListOf(*mesh->geometry()), c.expected);
            EXPECT_EQ(mesh->geometry()->surface.whole().at(2).x, 1.0f);
        }
        EXPECT_NE(log.find(c.logged), std::string::npos) << log;
        EXPECT_EQ(log.find("dropped"), log.rfind("dropped")) << "one line at most: " << log;
    }
}

// Counts that do not fit the data are refused before anything is read
// through them: the mesh keeps no half-read geometry, and says why.
TEST(SolidMeshFromFacets, ASetWhoseCountsDoNotFitItsDataIsRefusedWithTheReason) {
    struct Case {
        const char* why;
        std::function<void(TestFacets&)> lie;
    };
    const Case cases[] = {
        {"a face-list length without a face list", [](TestFacets& f) { f.nullFaceList = true; }},
        {"a negative face-list length", [](TestFacets& f) { f.statedFaceListLength = -9; }},
        {"a negative vertex count", [](TestFacets& f) { f.statedVertexCount = -4; }},
        {"a vertex count without vertices", [](TestFacets& f) { f.nullVertices = true; }},
        {"a face running past the end of the list", [](TestFacets& f) { f.faces = {3, 0, 1, 2, 9, 0, 1, 2, 0}; }},
        {"a face running past the end of the list, or no closing 0",
         [](TestFacets& f) { f.faces = {3, 0, 1, 2, 3, 0, 2, 3, 3}; }},
        {"a face of fewer than three vertices", [](TestFacets& f) { f.faces = {2, 0, 1, 3, 0, 2, 3, 0}; }},
        {"a face of fewer than three vertices", [](TestFacets& f) { f.faces = {3, 0, 1, 2, -7, 0, 2, 3, 0}; }},
    };
    for (const Case& c : cases) {
        TestFacetFactory factory([&](double) {
            auto facets = squareFacets(1.0f);
            c.lie(*facets);
            return facets;
        });
        auto mesh = std::make_unique<DXSolidMesh>(HostMeshBinding{kHostMesh, factory.handle, nullptr});
        mesh->setCurrentDeviation(2.0f);
        HRESULT status = S_OK;
        const std::string log = captured([&] { status = mesh->refine(nullptr, false); });
        EXPECT_EQ(status, E_INVALIDARG) << c.why;
        EXPECT_NE(log.find(std::string("were refused: ") + c.why), std::string::npos) << log;
        EXPECT_EQ(mesh->geometry(), nullptr) << c.why;
        EXPECT_EQ(factory.outstanding, 0) << c.why;
    }
}

// How the fetch layer reports a failing or faulting factory is tested with
// it; here the mesh traces the failure and keeps no geometry.
TEST(SolidMeshFromFacets, AFailingFactoryIsLoggedAndLeavesNoGeometry) {
    TestFacetFactory failing([](double) { return squareFacets(1.0f); });
    failing.failWith = E_FAIL;
    DXSolidMesh mesh(HostMeshBinding{kHostMesh, failing.handle, nullptr});
    const std::string log = captured([&] { EXPECT_EQ(mesh.refine(nullptr, false), E_FAIL); });
    EXPECT_NE(log.find("FAILED HRESULT (0x80004005)"), std::string::npos) << log;
    EXPECT_NE(log.find("DXUserMesh"), std::string::npos) << log;
    EXPECT_EQ(mesh.geometry(), nullptr);
}

// A wavy sheet of columns x rows facets over [0, columns) x [0, rows), two
// triangles a cell, with texture coordinates or none (all zero), and a
// normal a vertex or two normals in all that differ only in the sign of a
// zero.
std::unique_ptr<TestFacets> sheetFacets(int columns, int rows, bool textured, bool normalEach) {
    auto facets = std::make_unique<TestFacets>();
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const float u = textured ? float(c) / float(columns) : 0.0f;
            const float v = textured ? -float(r) / float(rows) : 0.0f;
            const float nx = normalEach ? 0.001f * float(r * columns + c) : (c % 2 ? -0.0f : 0.0f);
            facets->points.push_back({float(c), float(r), 0.25f * float((c * 7 + r * 3) % 5), nx, 0, 1, u, v});
        }
    for (int r = 0; r + 1 < rows; ++r)
        for (int c = 0; c + 1 < columns; ++c) {
            const int a = r * columns + c;
            facets->faces.insert(facets->faces.end(), {3, a, a + 1, a + columns + 1, 3, a, a + columns + 1, a + columns});
        }
    facets->faces.push_back(0);
    return facets;
}

TEST(SolidMeshFromFacets, AHostReadsBackAndPicksWhatItGaveWithNarrowWideOrTexturedStorage) {
    struct Case {
        const char* what;
        int columns, rows;
        bool textured, normalEach, wide;
    };
    const Case cases[] = {
        {"16-bit indices, shared normals", 30, 20, false, false, false},
        {"32-bit indices: 75,000 vertices", 300, 250, false, false, true},
        {"texture coordinates and a normal a vertex kept", 30, 20, true, true, false},
    };
    for (const Case& c : cases) {
        TestFacetFactory factory([&](double) { return sheetFacets(c.columns, c.rows, c.textured, c.normalEach); });
        const auto mesh = fetched(factory);
        const auto given = sheetFacets(c.columns, c.rows, c.textured, c.normalEach);
        ASSERT_NE(mesh->geometry(), nullptr) << c.what;
        // Each case keeps its geometry in the form it is named after.
        ASSERT_EQ(mesh->geometry()->triangles.wide(), c.wide) << c.what;
        ASSERT_EQ(mesh->geometry()->surface.textured(), c.textured) << c.what;
        ASSERT_EQ(mesh->geometry()->surface.sharesNormals(), !c.normalEach) << c.what;
        // What the mesh provider hands a host: the very vertices and list it gave.
        const FacetView view = mesh->facetView();
        ASSERT_EQ(view.vertexCount, int(given->points.size())) << c.what;
        EXPECT_EQ(std::memcmp(view.vertices, given->points.data(), given->points.size() * sizeof(FacetVertex)), 0)
            << c.what;
        EXPECT_EQ(std::vector<int>(view.faceList, view.faceList + view.faceListLength), given->faces) << c.what;
        // Picks: the same hits as the plain walk over the host's own arrays,
        // at vertices and edges (ties between triangles) and between them.
        const std::vector<uint32_t> list(given->faces.begin(), given->faces.end());
        const MeshData own{reinterpret_cast<const MeshVertex*>(given->points.data()), uint32_t(given->points.size()),
                           list.data(), uint32_t(list.size())};
        for (float x = 0.0f; x < float(c.columns); x += 0.5f * float(c.columns) / 7.0f)
            for (float y : {0.0f, 1.0f, 2.5f, 0.3f * float(c.rows), float(c.rows) - 1.5f}) {
                PickRequest request;
                request.origin = D3DXVECTOR3(x, y, 10.0f);
                request.direction = D3DXVECTOR3(0.01f, 0.02f, -1.0f);
                PickResult result;
                ASSERT_EQ(mesh->pickMesh(nullptr, request, &result), S_OK);
                D3DXVECTOR3 expected(0, 0, 0);
                const bool hit = pickFaceList(RayLine{request.origin, request.direction}, own, &expected);
                EXPECT_EQ(result.hit, hit) << c.what << " at " << x << ", " << y;
                if (hit) {
                    EXPECT_EQ(std::tuple(result.point.x, result.point.y, result.point.z),
                              std::tuple(expected.x, expected.y, expected.z))
                        << c.what << " at " << x << ", " << y;
                }
            }
    }
}

}  // namespace
