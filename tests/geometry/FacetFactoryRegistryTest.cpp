#include "geometry/FacetFactoryRegistry.h"

#include <SampleKernel.h>

#include <gtest/gtest.h>

#include <pelmora/exception.h>

#include <stdexcept>
#include <string>

namespace pelmora {
namespace {

using samplekernel::FacetFailure;
using samplekernel::SampleKernel;
using samplekernel::Sphere;

// Runs a host call and hands back what it printed.
template <class Call>
std::string printedBy(Call&& call) {
    testing::internal::CaptureStdout();
    call();
    return testing::internal::GetCapturedStdout();
}

// ---- handles a host sees ----

TEST(FacetFactoryHandleTest, HandlesAreNeverZeroAndDifferForEachRegistration) {
    SampleKernel kernel;
    const int first = PelmoraRegisterFacetFactory(&kernel);
    const int second = PelmoraRegisterFacetFactory(&kernel);
    EXPECT_GT(first, 0);
    EXPECT_GT(second, 0);
    EXPECT_NE(first, second);
    EXPECT_EQ(FacetFactoryRegistry::instance().find(first), &kernel);
    EXPECT_EQ(PelmoraUnregisterFacetFactory(first), S_OK);
    EXPECT_EQ(PelmoraUnregisterFacetFactory(second), S_OK);
}

TEST(FacetFactoryHandleTest, ANullFactoryGetsNoHandleAndALogLine) {
    int handle = -1;
    const std::string log = printedBy([&] { handle = PelmoraRegisterFacetFactory(nullptr); });
    EXPECT_EQ(handle, 0);
    EXPECT_NE(log.find("FAILED HRESULT (0x80004003)"), std::string::npos) << log;
}

TEST(FacetFactoryHandleTest, AnUnregisteredHandleStaysDeadAfterItsSlotIsReused) {
    SampleKernel kernel;
    const int retired = PelmoraRegisterFacetFactory(&kernel);
    ASSERT_EQ(PelmoraUnregisterFacetFactory(retired), S_OK);
    const int reused = PelmoraRegisterFacetFactory(&kernel);
    EXPECT_NE(reused, retired);
    EXPECT_EQ(FacetFactoryRegistry::instance().find(retired), nullptr);
    EXPECT_EQ(FacetFactoryRegistry::instance().find(reused), &kernel);
    HRESULT again = S_OK;
    const std::string log = printedBy([&] { again = PelmoraUnregisterFacetFactory(retired); });
    EXPECT_EQ(again, E_HANDLE);
    EXPECT_NE(log.find("FAILED HRESULT (0x80070006)"), std::string::npos) << log;
    EXPECT_EQ(PelmoraUnregisterFacetFactory(reused), S_OK);
}

TEST(FacetFactoryHandleTest, ZeroNegativeAndMadeUpHandlesAreRefused) {
    printedBy([] {
        EXPECT_EQ(PelmoraUnregisterFacetFactory(0), E_HANDLE);
        EXPECT_EQ(PelmoraUnregisterFacetFactory(-5), E_HANDLE);
        EXPECT_EQ(PelmoraUnregisterFacetFactory(0x6123457), E_HANDLE);
    });
    EXPECT_EQ(FacetFactoryRegistry::instance().find(0), nullptr);
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
            handle_, ball_, deviation, manual, [&](const FacetSource& source) {
                *triangles = (source.faceListLength() - 1) / 4;
            });
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

TEST_F(FacetFetchTest, AnswersWithoutFacetsAndFailuresComeBackAsTheFactorySaidThem) {
    int triangles = -1;
    kernel_.setFailure(ball_, FacetFailure::NoFacets);
    EXPECT_EQ(fetch(4.0, false, &triangles), S_FALSE);
    kernel_.setFailure(ball_, FacetFailure::Error);
    EXPECT_EQ(fetch(4.0, false, &triangles), E_FAIL);
    EXPECT_EQ(triangles, -1);
    EXPECT_EQ(kernel_.requestCount(ball_, 4.0), 2);
    EXPECT_EQ(kernel_.requests()[0].manual, 0);
}

TEST_F(FacetFetchTest, AnUnregisteredFactoryIsNotAsked) {
    int triangles = -1;
    ASSERT_EQ(PelmoraUnregisterFacetFactory(handle_), S_OK);
    EXPECT_EQ(fetch(4.0, false, &triangles), E_HANDLE);
    EXPECT_EQ(kernel_.requestCount(), 0);
}

TEST_F(FacetFetchTest, AFaultInTheFactoryReachesTheCallersGuard) {
    int triangles = 0;
    kernel_.setFailure(ball_, FacetFailure::Fault);
    EXPECT_THROW(fetch(4.0, false, &triangles), TorvelStructuredException);
}

TEST_F(FacetFetchTest, FacetsGoBackEvenWhenReadingThemFails) {
    auto failingRead = [](const FacetSource&) { throw std::runtime_error("read failed"); };
    EXPECT_THROW(FacetFactoryRegistry::instance().fetchFacets(handle_, ball_, 4.0, false, failingRead),
                 std::runtime_error);
    EXPECT_EQ(kernel_.outstandingSources(), 0);
}

}  // namespace
}  // namespace pelmora
