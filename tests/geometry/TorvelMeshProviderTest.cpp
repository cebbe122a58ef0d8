#include "geometry/FacetFactoryRegistry.h"
#include "geometry/TorvelMeshProvider.h"
#include "host/HandleTable.h"
#include "support/TestVisual.h"

#include <SampleKernel.h>

#include <gtest/gtest.h>

#include <pelmora/exception.h>

#include <memory>
#include <string>
#include <vector>

namespace pelmora {
namespace {

template <class Call>
std::string printedBy(Call&& call) {
    testing::internal::CaptureStdout();
    call();
    return testing::internal::GetCapturedStdout();
}

// A listed mesh with a fixed geometry once "refined"; counts the refinements.
class FakeMesh final : public RegisteredMesh {
public:
    explicit FakeMesh(int triangles = 1) {
        for (int i = 0; i < triangles * 3; ++i)
            vertices_.push_back({float(i), 0, 0, 0, 0, 1, 0, 0});
        for (int i = 0; i < triangles; ++i) faces_.insert(faces_.end(), {3, 3 * i, 3 * i + 1, 3 * i + 2});
        faces_.push_back(0);
    }

    bool hasGeometry() const override { return refined_; }
    void refineWithoutViewport() override {
        ++refinements_;
        if (throwOnRefine_) throw TorvelStructuredException(0x1000, EXCEPTION_ACCESS_VIOLATION);
        refined_ = true;
    }
    FacetView facetView() const override {
        if (!refined_) return {};
        return {vertices_.data(), int(vertices_.size()), faces_.data(), int(faces_.size()), true};
    }

    void giveGeometry() { refined_ = true; }
    void throwOnRefine() { throwOnRefine_ = true; }
    int refinements() const { return refinements_; }

private:
    std::vector<FacetVertex> vertices_;
    std::vector<int> faces_;
    bool refined_ = false;
    bool throwOnRefine_ = false;
    int refinements_ = 0;
};

constexpr int kFactory = 7;
constexpr int kHostMesh = 42;

// ---- the handle the host gets ----

TEST(MeshProviderHandleTest, TheProvidersHandleLeadsBackToItThroughTheExport) {
    TorvelMeshProvider provider;
    HandleKind kind;
    ASSERT_TRUE(HandleTable::instance().kindOf(provider.handle(), &kind));
    EXPECT_EQ(kind, HandleKind::MeshProvider);
    EXPECT_EQ(PelmoraGetMeshProvider(provider.handle()), static_cast<IMeshProvider*>(&provider));
}

TEST(MeshProviderHandleTest, OtherHandlesAndAGoneProviderGiveNull) {
    test::TestVisual visual;
    const int visualHandle = HandleTable::instance().issue(&visual, HandleKind::Visual);
    EXPECT_EQ(PelmoraGetMeshProvider(visualHandle), nullptr);
    EXPECT_EQ(PelmoraGetMeshProvider(0), nullptr);
    EXPECT_EQ(PelmoraGetMeshProvider(-1), nullptr);
    int gone = 0;
    {
        TorvelMeshProvider provider;
        gone = provider.handle();
    }
    EXPECT_EQ(PelmoraGetMeshProvider(gone), nullptr);
}

// ---- listing meshes ----

TEST(MeshProviderRegistrationTest, IdsAreNeverZeroAndNeverReused) {
    TorvelMeshProvider provider;
    FakeMesh a, b;
    const int first = provider.registerMesh(kFactory, kHostMesh, &a);
    const int second = provider.registerMesh(kFactory, kHostMesh + 1, &b);
    EXPECT_GT(first, 0);
    EXPECT_GT(second, first);
    ASSERT_TRUE(provider.unregisterMesh(kFactory, kHostMesh, first));
    const int third = provider.registerMesh(kFactory, kHostMesh, &a);
    EXPECT_GT(third, second);
    EXPECT_EQ(provider.registerMesh(kFactory, kHostMesh, nullptr), 0);
}

TEST(MeshProviderRegistrationTest, AKeyIsDroppedWithItsLastMesh) {
    TorvelMeshProvider provider;
    FakeMesh a, b;
    const int first = provider.registerMesh(kFactory, kHostMesh, &a);
    const int second = provider.registerMesh(kFactory, kHostMesh, &b);
    EXPECT_EQ(provider.keyCount(), 1u);
    EXPECT_TRUE(provider.unregisterMesh(kFactory, kHostMesh, first));
    EXPECT_EQ(provider.keyCount(), 1u);
    EXPECT_TRUE(provider.unregisterMesh(kFactory, kHostMesh, second));
    EXPECT_EQ(provider.keyCount(), 0u);
}

TEST(MeshProviderRegistrationTest, UnregisteringNeedsThePairAndTheIdGivenAtRegistration) {
    TorvelMeshProvider provider;
    FakeMesh a;
    const int id = provider.registerMesh(kFactory, kHostMesh, &a);
    EXPECT_FALSE(provider.unregisterMesh(kFactory, kHostMesh + 1, id));
    EXPECT_FALSE(provider.unregisterMesh(kFactory, kHostMesh, id + 1));
    EXPECT_TRUE(provider.unregisterMesh(kFactory, kHostMesh, id));
    EXPECT_FALSE(provider.unregisterMesh(kFactory, kHostMesh, id));
}

TEST(MeshProviderRegistrationTest, KeysPutTheFactoryAboveTheSignExtendedHostMesh) {
    EXPECT_EQ(TorvelMeshProvider::keyOf(1, 2), 0x0000000100000002ull);
    EXPECT_EQ(TorvelMeshProvider::keyOf(-1, 0), 0xFFFFFFFF00000000ull);
    EXPECT_NE(TorvelMeshProvider::keyOf(1, 2), TorvelMeshProvider::keyOf(2, 1));
    // A negative host mesh fills the high word, whatever the factory.
    EXPECT_EQ(TorvelMeshProvider::keyOf(1, -1), TorvelMeshProvider::keyOf(2, -1));
}

// ---- what the host reads back ----

class MeshProviderFacetsTest : public testing::Test {
protected:
    IMeshProvider& host() { return *PelmoraGetMeshProvider(provider_.handle()); }

    TorvelMeshProvider provider_;
};

TEST_F(MeshProviderFacetsTest, AnUnknownPairGivesNoFacetsAndSucceeds) {
    FacetSource* source = reinterpret_cast<FacetSource*>(0x1);
    EXPECT_EQ(host().getFacets(kFactory, kHostMesh, &source), S_OK);
    EXPECT_EQ(source, nullptr);
}

TEST_F(MeshProviderFacetsTest, TheFirstMeshRegisteredOnAPairAnswers) {
    FakeMesh first(2), second(5);
    first.giveGeometry();
    second.giveGeometry();
    const int firstId = provider_.registerMesh(kFactory, kHostMesh, &first);
    provider_.registerMesh(kFactory, kHostMesh, &second);
    FacetSource* source = nullptr;
    ASSERT_EQ(host().getFacets(kFactory, kHostMesh, &source), S_OK);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->faceListLength(), 2 * 4 + 1);
    EXPECT_EQ(source->vertexCount(), 6);
    EXPECT_TRUE(source->doubleSided());
    EXPECT_EQ(source->faceList()[0], 3);
    EXPECT_EQ(host().releaseFacets(source), S_OK);

    provider_.unregisterMesh(kFactory, kHostMesh, firstId);
    ASSERT_EQ(host().getFacets(kFactory, kHostMesh, &source), S_OK);
    EXPECT_EQ(source->faceListLength(), 5 * 4 + 1);
    EXPECT_EQ(host().releaseFacets(source), S_OK);
}

TEST_F(MeshProviderFacetsTest, AMeshWithoutGeometryIsRefinedFirstAndOnlyThen) {
    FakeMesh mesh(3);
    provider_.registerMesh(kFactory, kHostMesh, &mesh);
    FacetSource* source = nullptr;
    ASSERT_EQ(host().getFacets(kFactory, kHostMesh, &source), S_OK);
    EXPECT_EQ(mesh.refinements(), 1);
    EXPECT_EQ(source->faceListLength(), 13);
    host().releaseFacets(source);
    ASSERT_EQ(host().getFacets(kFactory, kHostMesh, &source), S_OK);
    EXPECT_EQ(mesh.refinements(), 1);
    host().releaseFacets(source);
}

TEST_F(MeshProviderFacetsTest, ASourceHeldPastItsMeshReadsAsEmpty) {
    auto mesh = std::make_unique<FakeMesh>(2);
    mesh->giveGeometry();
    const int id = provider_.registerMesh(kFactory, kHostMesh, mesh.get());
    FacetSource* source = nullptr;
    ASSERT_EQ(host().getFacets(kFactory, kHostMesh, &source), S_OK);
    provider_.unregisterMesh(kFactory, kHostMesh, id);
    mesh.reset();
    EXPECT_EQ(source->faceListLength(), 0);
    EXPECT_EQ(source->vertexCount(), 0);
    EXPECT_EQ(source->faceList(), nullptr);
    EXPECT_EQ(source->vertices(), nullptr);
    EXPECT_FALSE(source->doubleSided());
    EXPECT_EQ(host().releaseFacets(source), S_OK);
}

TEST_F(MeshProviderFacetsTest, OnlySourcesItHandedOutAreFreed) {
    FakeMesh mesh;
    mesh.giveGeometry();
    provider_.registerMesh(kFactory, kHostMesh, &mesh);
    FacetSource* source = nullptr;
    ASSERT_EQ(host().getFacets(kFactory, kHostMesh, &source), S_OK);
    EXPECT_EQ(provider_.outstandingSources(), 1u);
    EXPECT_EQ(host().releaseFacets(nullptr), S_OK);
    EXPECT_EQ(host().releaseFacets(source), S_OK);
    EXPECT_EQ(provider_.outstandingSources(), 0u);
    HRESULT twice = S_OK;
    const std::string log = printedBy([&] { twice = host().releaseFacets(source); });
    EXPECT_EQ(twice, E_INVALIDARG);
    EXPECT_NE(log.find("FAILED HRESULT (0x80070057)"), std::string::npos) << log;
    EXPECT_NE(log.find("TorvelMeshProvider"), std::string::npos) << log;
}

TEST_F(MeshProviderFacetsTest, ANullOutPointerIsRefused) {
    printedBy([&] { EXPECT_EQ(host().getFacets(kFactory, kHostMesh, nullptr), E_POINTER); });
}

TEST_F(MeshProviderFacetsTest, AFaultWhileFetchingIsLoggedAndItsCodeReturned) {
    FakeMesh mesh;
    mesh.throwOnRefine();
    provider_.registerMesh(kFactory, kHostMesh, &mesh);
    FacetSource* source = nullptr;
    HRESULT status = S_OK;
    const std::string log = printedBy([&] { status = host().getFacets(kFactory, kHostMesh, &source); });
    EXPECT_EQ(static_cast<uint32_t>(status), EXCEPTION_ACCESS_VIOLATION);
    EXPECT_EQ(source, nullptr);
    EXPECT_NE(log.find("Caught SE in Pelmora: 0xc0000005"), std::string::npos) << log;
    EXPECT_NE(log.find("TorvelMeshProvider.cpp"), std::string::npos) << log;
}

// ---- a mesh backed by the sample kernel, read back by the host ----

// Fetches its geometry from a registered factory, as a host-backed mesh does.
class KernelBackedMesh final : public RegisteredMesh {
public:
    KernelBackedMesh(int factory, int hostMesh, double deviation)
        : factory_(factory), hostMesh_(hostMesh), deviation_(deviation) {}

    bool hasGeometry() const override { return fetched_; }
    void refineWithoutViewport() override {
        FacetFactoryRegistry::instance().fetchFacets(
            factory_, hostMesh_, deviation_, true, [&](const FacetSource& source) {
                const FacetVertex* v = source.vertices();
                vertices_.assign(v, v + source.vertexCount());
                faces_.assign(source.faceList(), source.faceList() + source.faceListLength());
                fetched_ = true;
            });
    }
    FacetView facetView() const override {
        return {vertices_.data(), int(vertices_.size()), faces_.data(), int(faces_.size()), false};
    }

private:
    int factory_;
    int hostMesh_;
    double deviation_;
    bool fetched_ = false;
    std::vector<FacetVertex> vertices_;
    std::vector<int> faces_;
};

TEST_F(MeshProviderFacetsTest, ReadingBackANeverDrawnMeshAsksTheFactoryOnce) {
    samplekernel::SampleKernel kernel;
    const int box = kernel.addBody(samplekernel::Box{{0, 0, 0}, {1, 2, 3}});
    const int factory = PelmoraRegisterFacetFactory(&kernel);
    KernelBackedMesh mesh(factory, box, 8.0);
    provider_.registerMesh(factory, box, &mesh);
    EXPECT_EQ(kernel.requestCount(), 0);
    for (int read = 0; read < 2; ++read) {
        FacetSource* source = nullptr;
        ASSERT_EQ(host().getFacets(factory, box, &source), S_OK);
        EXPECT_EQ(source->faceListLength(), 12 * 4 + 1);
        EXPECT_EQ(source->vertexCount(), 24);
        EXPECT_EQ(host().releaseFacets(source), S_OK);
    }
    EXPECT_EQ(kernel.requestCount(box, 8.0), 1);
    EXPECT_EQ(kernel.outstandingSources(), 0);
    PelmoraUnregisterFacetFactory(factory);
}

}  // namespace
}  // namespace pelmora
