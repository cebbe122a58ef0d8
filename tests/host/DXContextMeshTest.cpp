// The mesh operations of IDXContext without a device: what newSolidMesh
// accepts and refuses, the settings, and host-backed meshes with the provider.
#include <pelmora/pelmora.h>

#include "mesh/DXSolidMesh.h"
#include "support/MeshTestSupport.h"
#include "host/DXContext.h"
#include "core/HandleTable.h"
#include "support/HandBuiltArray.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace pelmora;
using namespace pelmora::test;

class DXContextMeshOperations : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(PelmoraCreateContext(&context), S_OK); }
    void TearDown() override {
        if (context) context->Release();
    }
    IMeshProvider& provider() {
        int handle = 0;
        EXPECT_EQ(context->getTorvelMeshProvider(&handle), S_OK);
        return *PelmoraGetMeshProvider(handle);
    }

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
    // Host mesh 0 names no body: the mesh is made, stays empty, and the log says why.
    for (bool wire : {false, true}) {
        testing::internal::CaptureStdout();
        ASSERT_EQ(wire ? context->newWireMeshFromHandle(0, factory.handle, &mesh)
                       : context->newSolidMeshFromHandle(0, factory.handle, &mesh),
                  S_OK);
        const std::string log = testing::internal::GetCapturedStdout();
        EXPECT_NE(log.find(wire ? "newWireMeshFromHandle: host mesh 0 names no body" : "newSolidMeshFromHandle: host mesh 0 names no body"),
                  std::string::npos) << log;
        EXPECT_EQ(context->refreshMesh(mesh), S_OK);
        EXPECT_EQ(factory.requests.size(), 2u) << "never asked";
    }
}

TEST_F(DXContextMeshOperations, ASourceHeldPastItsContextReadsAsEmpty) {
    TestFacetFactory factory([](double) { return squareFacets(1.0f); });
    int mesh = 0;
    ASSERT_EQ(context->newSolidMeshFromHandle(9, factory.handle, &mesh), S_OK);
    FacetSource* source = nullptr;
    ASSERT_EQ(provider().getFacets(factory.handle, 9, &source), S_OK);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->faceListLength(), 9);
    testing::internal::CaptureStdout();
    context->Release();
    context = nullptr;
    const std::string released = testing::internal::GetCapturedStdout();
    EXPECT_NE(released.find("1 facet source(s) from the mesh provider were not released"), std::string::npos)
        << released;
    // AddressSanitizer watches these reads.
    EXPECT_EQ(source->faceListLength(), 0);
    EXPECT_EQ(source->faceList(), nullptr);
    EXPECT_EQ(source->vertexCount(), 0);
    EXPECT_EQ(source->vertices(), nullptr);
    EXPECT_FALSE(source->doubleSided());
}

// A factory may call back in while it tessellates: what it releases goes for
// the host at once and for the engine when the outermost call returns; what
// would pull the mesh from under the running fetch is refused.
TEST_F(DXContextMeshOperations, AFactoryCallingBackNeverPullsTheMeshFromUnderItsFetch) {
    struct Case {
        const char* what;
        // The host's action from inside getFacets, given the mesh's handle.
        std::function<void(IDXContext*&, int, std::vector<HRESULT>&)> callBack;
        std::vector<HRESULT> expected;
    };
    const Case cases[] = {
        {"releasing the mesh",
         [](IDXContext*& c, int mesh, std::vector<HRESULT>& seen) {
             seen.push_back(c->releaseHandle(mesh));
             seen.push_back(c->setMeshScale(mesh, 2.0));  // gone for the host already
         },
         {S_OK, E_HANDLE}},
        {"refreshing the mesh",
         [](IDXContext*& c, int mesh, std::vector<HRESULT>& seen) { seen.push_back(c->refreshMesh(mesh)); },
         {E_ACCESSDENIED}},
        {"releasing it through the list",
         [](IDXContext*& c, int mesh, std::vector<HRESULT>& seen) {
             SafeArrayPtr handles = makeVector(VT_I4, std::vector<int>{mesh, mesh});
             SAFEARRAY* array = handles.get();
             seen.push_back(c->releaseHandles(&array));
         },
         {S_OK}},
        {"letting go of the context",
         [](IDXContext*& c, int, std::vector<HRESULT>&) {
             c->Release();
             c = nullptr;
         },
         {}},
    };
    for (const Case& c : cases) {
        if (!context) {
            ASSERT_EQ(PelmoraCreateContext(&context), S_OK);
        }
        int mesh = 0;
        std::vector<HRESULT> seen;
        TestFacetFactory factory(nullptr);
        factory.make = [&](double) {
            if (factory.requests.size() == 1) c.callBack(context, mesh, seen);
            return squareFacets(1.0f);
        };
        ASSERT_EQ(context->newSolidMeshFromHandle(9, factory.handle, &mesh), S_OK);
        testing::internal::CaptureStdout();
        FacetSource* source = nullptr;
        IMeshProvider& host = provider();
        EXPECT_EQ(host.getFacets(factory.handle, 9, &source), S_OK) << c.what;
        const std::string log = testing::internal::GetCapturedStdout();
        EXPECT_EQ(seen, c.expected) << c.what << ": " << log;
        EXPECT_EQ(factory.requests.size(), 1u) << c.what;
        EXPECT_EQ(factory.outstanding, 0) << c.what;
        ASSERT_NE(source, nullptr) << c.what;
        // The mesh lived through its fetch; released, it reads as empty now.
        const bool released = seen.empty() || seen[0] == S_OK;
        EXPECT_EQ(source->faceListLength(), released ? 0 : 9) << c.what;
        if (context) {
            EXPECT_EQ(host.releaseFacets(source), S_OK) << c.what;
            EXPECT_EQ(context->setMeshScale(mesh, 1.0), released ? E_HANDLE : S_OK) << c.what;
        }
    }
}

}  // namespace
