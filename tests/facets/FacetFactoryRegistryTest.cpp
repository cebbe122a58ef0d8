#include "facets/FacetFactoryRegistry.h"
#include "support/CapturedStdout.h"

#include <SampleKernel.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <pelmora/exception.h>

#include <stdexcept>
#include <string>
#include <utility>

namespace pelmora {
namespace {

using samplekernel::FacetFailure;
using samplekernel::SampleKernel;
using samplekernel::Sphere;
using test::stdoutOf;
using testing::HasSubstr;

// ---- handles a host sees ----

TEST(FacetFactoryHandleTest, HandlesAreNeverZeroAndDifferForEachRegistration) {
    // Either way of registering, and only the second one is thread-safe.
    for (auto [name, register_] : {std::pair{"plain", &PelmoraRegisterFacetFactory},
                                   {"thread-safe", &PelmoraRegisterThreadSafeFacetFactory}}) {
        SCOPED_TRACE(name);
        const bool threadSafe = register_ == &PelmoraRegisterThreadSafeFacetFactory;
        SampleKernel kernel;
        const int first = register_(&kernel);
        const int second = register_(&kernel);
        EXPECT_GT(first, 0);
        EXPECT_GT(second, 0);
        EXPECT_NE(first, second);
        EXPECT_EQ(FacetFactoryRegistry::instance().find(first), &kernel);
        EXPECT_EQ(FacetFactoryRegistry::instance().threadSafe(first), threadSafe);
        EXPECT_EQ(PelmoraUnregisterFacetFactory(first), S_OK);
        EXPECT_EQ(PelmoraUnregisterFacetFactory(second), S_OK);
        EXPECT_FALSE(FacetFactoryRegistry::instance().threadSafe(first)) << "a retired handle is nothing";
        int none = -1;
        EXPECT_THAT(stdoutOf([&] { none = register_(nullptr); }), HasSubstr("FAILED HRESULT (0x80004003)"));
        EXPECT_EQ(none, 0);
    }
}

TEST(FacetFactoryHandleTest, RetiredZeroAndMadeUpHandlesAreRefusedAfterSlotReuse) {
    SampleKernel kernel;
    const int retired = PelmoraRegisterFacetFactory(&kernel);
    ASSERT_EQ(PelmoraUnregisterFacetFactory(retired), S_OK);
    const int reused = PelmoraRegisterFacetFactory(&kernel);
    EXPECT_NE(reused, retired);
    EXPECT_EQ(FacetFactoryRegistry::instance().find(retired), nullptr);
    EXPECT_EQ(FacetFactoryRegistry::instance().find(reused), &kernel);
    EXPECT_EQ(FacetFactoryRegistry::instance().find(0), nullptr);
    const std::string log = stdoutOf([&] {
        for (int handle : {retired, 0, -5, 0x6123457})
            EXPECT_EQ(PelmoraUnregisterFacetFactory(handle), E_HANDLE) << handle;
    });
    EXPECT_THAT(log, HasSubstr("FAILED HRESULT (0x80070006)"));
    EXPECT_EQ(PelmoraUnregisterFacetFactory(reused), S_OK);
}

// ---- one request through a handle ----

class FacetFetchTest : public testing::Test {
protected:
    void SetUp() override {
        ball_ = kernel_.addBody(Sphere{{0, 0, 0}, 1.0});
        handle_ = PelmoraRegisterFacetFactory(&kernel_);
    }
    void TearDown() override { PelmoraUnregisterFacetFactory(handle_); }

    HRESULT fetch(double deviation, bool manual, int* triangles) {
        return FacetFactoryRegistry::instance().fetchFacets(
            handle_, ball_, deviation, manual,
            [&](const FacetSource& source) { *triangles = (source.faceListLength() - 1) / 4; });
    }

    SampleKernel kernel_;
    int ball_ = 0;
    int handle_ = 0;
};

TEST_F(FacetFetchTest, FacetsAreReadBetweenRequestAndRelease) {
    int triangles = 0;
    EXPECT_EQ(fetch(10.0, true, &triangles), S_OK);
    EXPECT_EQ(triangles, kernel_.facetsOf(ball_, 10.0).triangleCount());
    ASSERT_EQ(kernel_.requestCount(), 1);
    EXPECT_EQ(kernel_.requests()[0].deviation, 10.0);
    EXPECT_EQ(kernel_.requests()[0].manual, 1);
    EXPECT_EQ(kernel_.outstandingSources(), 0);
    EXPECT_EQ(kernel_.strayReleases(), 0);
}

TEST_F(FacetFetchTest, NoFacetsFailuresAndFaultsComeBackAsTheFactoryGaveThem) {
    int triangles = -1;
    kernel_.setFailure(ball_, FacetFailure::NoFacets);
    EXPECT_EQ(fetch(4.0, false, &triangles), S_FALSE);
    kernel_.setFailure(ball_, FacetFailure::Error);
    EXPECT_EQ(fetch(4.0, false, &triangles), E_FAIL);
    EXPECT_EQ(triangles, -1);
    EXPECT_EQ(kernel_.requestCount(ball_, 4.0), 2);
    EXPECT_EQ(kernel_.requests()[0].manual, 0);
    kernel_.setFailure(ball_, FacetFailure::Fault);  // reaches the caller's guard
    EXPECT_THROW(fetch(4.0, false, &triangles), TorvelStructuredException);
}

TEST_F(FacetFetchTest, AnUnregisteredFactoryIsNotAsked) {
    int triangles = -1;
    ASSERT_EQ(PelmoraUnregisterFacetFactory(handle_), S_OK);
    EXPECT_EQ(fetch(4.0, false, &triangles), E_HANDLE);
    EXPECT_EQ(kernel_.requestCount(), 0);
}

TEST_F(FacetFetchTest, FacetsGoBackEvenWhenReadingThemFails) {
    auto failingRead = [](const FacetSource&) { throw std::runtime_error("read failed"); };
    EXPECT_THROW(
        FacetFactoryRegistry::instance().fetchFacets(handle_, ball_, 4.0, false, failingRead),
        std::runtime_error);
    EXPECT_EQ(kernel_.outstandingSources(), 0);
}

}  // namespace
}  // namespace pelmora
