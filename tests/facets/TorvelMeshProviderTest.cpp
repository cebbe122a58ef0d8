#include "facets/TorvelMeshProvider.h"
#include "core/HandleTable.h"
#include "support/CapturedStdout.h"
#include "support/TestVisual.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <pelmora/exception.h>

#include <memory>
#include <string>
#include <vector>

namespace pelmora {
namespace {

using test::stdoutOf;
using testing::HasSubstr;

// A listed mesh of so many triangles once "refined"; counts the refinements.
class FakeMesh final : public RegisteredMesh {
public:
    explicit FakeMesh(int triangles = 1, bool refined = true) : refined_(refined) {
        vertices_.resize(size_t(triangles) * 3);
        for (int i = 0; i < triangles; ++i)
            faces_.insert(faces_.end(), {3, 3 * i, 3 * i + 1, 3 * i + 2});
        faces_.push_back(0);
    }

    bool hasGeometry() const override { return refined_; }
    void refineWithoutViewport() override {
        ++refinements;
        if (throwOnRefine) throw TorvelStructuredException(0x1000, EXCEPTION_ACCESS_VIOLATION);
        refined_ = true;
    }
    FacetView facetView() const override {
        if (!refined_) return {};
        return {vertices_.data(), int(vertices_.size()), faces_.data(), int(faces_.size()), true};
    }

    bool throwOnRefine = false;
    int refinements = 0;

private:
    std::vector<FacetVertex> vertices_;
    std::vector<int> faces_;
    bool refined_;
};

constexpr int kFactory = 7;
constexpr int kHostMesh = 42;

TEST(MeshProviderHandleTest, OnlyALiveProvidersHandleLeadsBackToItThroughTheExport) {
    test::TestVisual visual;
    const int visualHandle = HandleTable::instance().issue(&visual, HandleKind::Visual);
    int gone = 0;
    {
        TorvelMeshProvider provider;
        gone = provider.handle();
        EXPECT_EQ(PelmoraGetMeshProvider(gone), static_cast<IMeshProvider*>(&provider));
    }
    for (int handle : {gone, visualHandle, 0, -1})
        EXPECT_EQ(PelmoraGetMeshProvider(handle), nullptr);
}

TEST(MeshProviderRegistrationTest, IdsAreNeverZeroNorReusedAndAKeyGoesWithItsLastMesh) {
    TorvelMeshProvider provider;
    FakeMesh a, b;
    const int first = provider.registerMesh(kFactory, kHostMesh, &a);
    const int second = provider.registerMesh(kFactory, kHostMesh, &b);
    EXPECT_GT(first, 0);
    EXPECT_GT(second, first);
    EXPECT_EQ(provider.registerMesh(kFactory, kHostMesh, nullptr), 0);
    EXPECT_FALSE(provider.unregisterMesh(kFactory, kHostMesh + 1, first));     // needs the pair
    EXPECT_FALSE(provider.unregisterMesh(kFactory, kHostMesh, second + 100));  // and the id
    EXPECT_TRUE(provider.unregisterMesh(kFactory, kHostMesh, first));
    EXPECT_FALSE(provider.unregisterMesh(kFactory, kHostMesh, first));
    EXPECT_EQ(provider.keyCount(), 1u);
    EXPECT_TRUE(provider.unregisterMesh(kFactory, kHostMesh, second));
    EXPECT_EQ(provider.keyCount(), 0u);
    EXPECT_GT(provider.registerMesh(kFactory, kHostMesh, &a), second);
}

class MeshProviderFacetsTest : public testing::Test {
protected:
    IMeshProvider& host() { return *PelmoraGetMeshProvider(provider_.handle()); }

    // The face-list length the host reads for the pair; -1 for no source.
    int faceListLength(int factory = kFactory, int hostMesh = kHostMesh) {
        FacetSource* source = nullptr;
        EXPECT_EQ(host().getFacets(factory, hostMesh, &source), S_OK);
        const int length = source ? source->faceListLength() : -1;
        if (source) {
            EXPECT_EQ(host().releaseFacets(source), S_OK);
        }
        return length;
    }

    TorvelMeshProvider provider_;
};

TEST_F(MeshProviderFacetsTest, TheFirstMeshOfAPairAnswersRefinedOnceIfItHadNoGeometry) {
    EXPECT_EQ(faceListLength(), -1);  // an unknown pair: no facets, and success
    FakeMesh first(3, false), second(5);
    const int firstId = provider_.registerMesh(kFactory, kHostMesh, &first);
    provider_.registerMesh(kFactory, kHostMesh, &second);
    EXPECT_EQ(faceListLength(), 3 * 4 + 1);
    EXPECT_EQ(faceListLength(), 3 * 4 + 1);
    EXPECT_EQ(first.refinements, 1);
    provider_.unregisterMesh(kFactory, kHostMesh, firstId);
    EXPECT_EQ(faceListLength(), 5 * 4 + 1);

    // A negative host mesh number masks the factory in the pair's key.
    FakeMesh masked(2);
    provider_.registerMesh(kFactory, -1, &masked);
    EXPECT_EQ(faceListLength(kFactory + 1, -1), 2 * 4 + 1);
}

TEST_F(MeshProviderFacetsTest, ASourceReadsTheMeshAndHeldPastItReadsAsEmpty) {
    auto mesh = std::make_unique<FakeMesh>(2);
    const int id = provider_.registerMesh(kFactory, kHostMesh, mesh.get());
    FacetSource* source = nullptr;
    ASSERT_EQ(host().getFacets(kFactory, kHostMesh, &source), S_OK);
    EXPECT_EQ(source->vertexCount(), 6);
    EXPECT_TRUE(source->doubleSided());
    EXPECT_EQ(source->faceList()[0], 3);

    provider_.unregisterMesh(kFactory, kHostMesh, id);
    mesh.reset();  // AddressSanitizer watches the reads below
    EXPECT_EQ(source->faceListLength(), 0);
    EXPECT_EQ(source->vertexCount(), 0);
    EXPECT_EQ(source->faceList(), nullptr);
    EXPECT_EQ(source->vertices(), nullptr);
    EXPECT_FALSE(source->doubleSided());
    EXPECT_EQ(host().releaseFacets(source), S_OK);
}

TEST_F(MeshProviderFacetsTest, OnlySourcesItHandedOutAreFreedAndNullOutPointersAreRefused) {
    FakeMesh mesh;
    provider_.registerMesh(kFactory, kHostMesh, &mesh);
    FacetSource* source = nullptr;
    ASSERT_EQ(host().getFacets(kFactory, kHostMesh, &source), S_OK);
    EXPECT_EQ(provider_.outstandingSources(), 1u);
    EXPECT_EQ(host().releaseFacets(nullptr), S_OK);
    EXPECT_EQ(host().releaseFacets(source), S_OK);
    EXPECT_EQ(provider_.outstandingSources(), 0u);
    const std::string log = stdoutOf([&] {
        EXPECT_EQ(host().releaseFacets(source), E_INVALIDARG);  // twice
        EXPECT_EQ(host().getFacets(kFactory, kHostMesh, nullptr), E_POINTER);
    });
    EXPECT_THAT(log, HasSubstr("FAILED HRESULT (0x80070057)"));
    EXPECT_THAT(log, HasSubstr("TorvelMeshProvider"));
}

TEST_F(MeshProviderFacetsTest, AFaultWhileFetchingIsLoggedAndItsCodeReturned) {
    FakeMesh mesh(1, false);
    mesh.throwOnRefine = true;
    provider_.registerMesh(kFactory, kHostMesh, &mesh);
    FacetSource* source = nullptr;
    HRESULT status = S_OK;
    const std::string log =
        stdoutOf([&] { status = host().getFacets(kFactory, kHostMesh, &source); });
    EXPECT_EQ(static_cast<uint32_t>(status), EXCEPTION_ACCESS_VIOLATION);
    EXPECT_EQ(source, nullptr);
    EXPECT_THAT(log, HasSubstr("Caught SE in Pelmora: 0xc0000005"));
    EXPECT_THAT(log, HasSubstr("TorvelMeshProvider.cpp"));
}

}  // namespace
}  // namespace pelmora
