// The mesh operations of IDXContext without a device: what newSolidMesh
// accepts and refuses, the settings, and host-backed meshes with the provider.
#include <pelmora/pelmora.h>

#include "geometry/DXSolidMesh.h"
#include "geometry/MeshTestSupport.h"
#include "host/DXContext.h"
#include "core/HandleTable.h"
#include "support/HandBuiltArray.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

using namespace pelmora;
using namespace pelmora::test;

class DXContextMeshOperations : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(PelmoraCreateContext(&context), S_OK); }
    void TearDown() override { context->Release(); }

    // newSolidMesh with the arrays; the status, with the log in `log`.
    HRESULT create(const std::vector<float>& v, const std::vector<float>& n, const std::vector<int>& f, int* mesh) {
        SolidArrays arrays(v, n, f);
        testing::internal::CaptureStdout();
        const HRESULT hr = context->newSolidMesh(arrays.v(), arrays.n(), arrays.f(), VARIANT_TRUE, mesh);
        log = testing::internal::GetCapturedStdout();
        return hr;
    }
    size_t objects() const { return static_cast<DXContext*>(context)->registeredObjectCount(); }

    IDXContext* context = nullptr;
    std::string log;
    const std::vector<float> triangle = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const std::vector<int> oneFace = {3, 0, 0, 1, 0, 2, 0, 0};
};

TEST_F(DXContextMeshOperations, ASolidMeshFromArraysIsRegisteredAndTakesItsSettings) {
    int mesh = 0;
    ASSERT_EQ(create(triangle, triangle, oneFace, &mesh), S_OK);
    EXPECT_EQ(objects(), 1u);
    auto* solid = resolveHandle<DXSolidMesh>(mesh);
    ASSERT_NE(solid, nullptr);
    EXPECT_TRUE(solid->isDoubleSided());
    EXPECT_EQ(solid->geometry()->count, 1u);
    // A refresh has nothing to fetch for an array mesh and keeps its geometry.
    EXPECT_EQ(context->refreshMesh(mesh), S_OK);
    ASSERT_NE(solid->geometry(), nullptr);
    EXPECT_EQ(context->setMeshScale(mesh, 2.5), S_OK);
    EXPECT_EQ(solid->meshScale(), 2.5);
    EXPECT_EQ(context->setNeverRenderMesh(mesh), S_OK);
    EXPECT_TRUE(solid->neverRender());
    EXPECT_EQ(context->setMeshSimplificationLevel(mesh, 3), S_OK);
    EXPECT_EQ(solid->simplificationLevel(), 0) << "without a device the level is not handed on";
}

TEST_F(DXContextMeshOperations, MalformedArraysCreateNothing) {
    struct Case {
        const char* what;
        std::vector<float> vertices, normals;
        std::vector<int> faces;
        const char* logged;
    };
    const Case cases[] = {
        {"ragged vertices", {0, 0, 0, 1, 0}, {}, {0}, "does not hold whole points"},
        {"short normals", triangle, {0, 0, 1}, oneFace, "normal array is shorter"},
        {"index past the end", triangle, triangle, {3, 0, 0, 1, 0, 3, 0, 0}, "outside the vertex array"},
        {"negative index", triangle, triangle, {3, -1, 0, 1, 0, 2, 0, 0}, "outside the vertex array"},
        {"negative count", triangle, triangle, {-1, 0, 0, 1, 0, 2, 0, 0}, "negative vertex count"},
    };
    for (const Case& c : cases) {
        int mesh = -5;
        EXPECT_EQ(create(c.vertices, c.normals, c.faces, &mesh), E_INVALIDARG) << c.what;
        EXPECT_EQ(mesh, -5) << c.what;
        EXPECT_NE(log.find(c.logged), std::string::npos) << c.what << ": " << log;
        EXPECT_NE(log.find("FAILED HRESULT (0x80070057)"), std::string::npos) << c.what << ": " << log;
    }
    // Doubles instead of floats.
    SafeArrayPtr vertices = makeDoubleArray({0, 0, 0, 1, 0, 0, 0, 1, 0});
    SafeArrayPtr faces = makeVector(VT_I4, oneFace);
    SAFEARRAY* v = vertices.get();
    SAFEARRAY* n = vertices.get();
    SAFEARRAY* f = faces.get();
    int mesh = 0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(context->newSolidMesh(&v, &n, &f, 0, &mesh), E_INVALIDARG);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(objects(), 0u);
}

TEST_F(DXContextMeshOperations, ArraysAreCountedOverEveryDimensionIn64Bits) {
    SolidArrays arrays(triangle, triangle, oneFace);
    // Bounds whose count overflows 32 bits: refused, nothing made.
    for (auto [lower, count] : {std::pair{INT_MAX - 1, 3u}, std::pair{INT_MIN, 0u}}) {
        HandBuiltArray wrapped(lower, count);
        int mesh = -5;
        testing::internal::CaptureStdout();
        EXPECT_EQ(context->newSolidMesh(&wrapped, arrays.n(), arrays.f(), 0, &mesh), E_INVALIDARG);
        log = testing::internal::GetCapturedStdout();
        EXPECT_EQ(mesh, -5);
        EXPECT_NE(log.find("no element count fits"), std::string::npos) << log;
    }
    // A legal empty grid whose first dimension says 3: no faces, not 3 read past the data.
    SAFEARRAYBOUND emptyBounds[2] = {{3, 0}, {0, 0}};
    SafeArrayPtr noFaces(SafeArrayCreate(VT_I4, 2, emptyBounds));
    SAFEARRAY* faces = noFaces.get();
    int mesh = 0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(context->newSolidMesh(arrays.v(), arrays.n(), &faces, 0, &mesh), S_OK);
    log = testing::internal::GetCapturedStdout();
    auto* solid = resolveHandle<DXSolidMesh>(mesh);
    ASSERT_NE(solid, nullptr);
    EXPECT_EQ(solid->geometry(), nullptr) << "a mesh of no faces holds no geometry";
    EXPECT_EQ(faces->cLocks, 0u);
}

TEST_F(DXContextMeshOperations, AHostBackedMeshStartsAtTheRefinementLevelAndFetchesOnlyWhenRead) {
    TestFacetFactory factory([](double) { return squareFacets(1.0f); });
    int mesh = 0;
    ASSERT_EQ(context->newSolidMeshFromHandle(9, factory.handle, &mesh), S_OK);
    auto* solid = resolveHandle<DXSolidMesh>(mesh);
    ASSERT_NE(solid, nullptr);
    EXPECT_EQ(solid->currentDeviation(), 1.0f);
    EXPECT_TRUE(factory.requests.empty());
    // Reading it through the provider fetches once, at the context's level.
    int providerHandle = 0;
    ASSERT_EQ(context->getTorvelMeshProvider(&providerHandle), S_OK);
    FacetSource* source = nullptr;
    ASSERT_EQ(PelmoraGetMeshProvider(providerHandle)->getFacets(factory.handle, 9, &source), S_OK);
    ASSERT_NE(source, nullptr);
    PelmoraGetMeshProvider(providerHandle)->releaseFacets(source);
    ASSERT_EQ(factory.requests.size(), 1u);
    EXPECT_EQ((std::pair{factory.requests[0].deviation, factory.requests[0].manual}), (std::pair{1.0, 1}));
    // A refresh fetches again, replacing the geometry.
    EXPECT_EQ(context->refreshMesh(mesh), S_OK);
    EXPECT_EQ(factory.requests.size(), 2u);
    EXPECT_EQ(solid->cachedGeometryCount(), 1u);
}

}  // namespace
