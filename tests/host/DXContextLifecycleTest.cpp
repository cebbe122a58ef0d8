// Ownership and the guarded call as a host sees them: releases, teardown,
// faults turned into statuses and log lines, process-wide switches.
#include <pelmora/pelmora.h>

#include "core/HandleTable.h"
#include "core/ProcessState.h"
#include "support/TestVisual.h"
#include "support/CapturedStdout.h"
#include "support/HandBuiltArray.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

using pelmora::HandleTable;
using pelmora::test::stdoutOf;
using testing::HasSubstr;

// A visual whose application-data calls fail the way a corrupt object would.
class FaultingVisual : public pelmora::test::TestVisual {
public:
    enum class Fault { StructuredException, OtherException };
    explicit FaultingVisual(Fault fault) : fault_(fault) {}
    HRESULT setAppData(int) override {
        if (fault_ == Fault::StructuredException)
            throw TorvelStructuredException(0x1234, EXCEPTION_ACCESS_VIOLATION);
        throw std::runtime_error("corrupt");
    }

private:
    Fault fault_;
};

SAFEARRAY* handleArray(std::initializer_list<int> handles, LONG lowerBound = 0) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(handles.size()), lowerBound};
    SAFEARRAY* array = SafeArrayCreate(VT_I4, 1, &bound);
    int* data = nullptr;
    SafeArrayAccessData(array, reinterpret_cast<void**>(&data));
    for (int h : handles) *data++ = h;
    SafeArrayUnaccessData(array);
    return array;
}

class DXContextLifecycle : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(PelmoraCreateContext(&context), S_OK); }
    void TearDown() override {
        if (context) context->Release();
    }
    int newFrame(int parent = 0) {
        int frame = 0;
        EXPECT_EQ(context->newFrame(parent, &frame), S_OK);
        return frame;
    }
    bool alive(int handle) const { return HandleTable::instance().lookup(handle) != nullptr; }

    IDXContext* context = nullptr;
};

TEST_F(DXContextLifecycle, ReleasingTheContextDestroysEveryObjectItMadeOnce) {
    size_t before = HandleTable::instance().liveCount();
    int root = newFrame();
    int child = newFrame(root);
    int grandChild = newFrame(child);
    EXPECT_EQ(context->frameAddVisual(root, grandChild), S_OK);
    EXPECT_EQ(HandleTable::instance().liveCount(), before + 3);
    context->Release();
    context = nullptr;
    // The context's mesh provider holds a handle of its own and goes with it.
    EXPECT_EQ(HandleTable::instance().liveCount(), before - 1);
    EXPECT_FALSE(alive(root));
    EXPECT_FALSE(alive(child));
    EXPECT_FALSE(alive(grandChild));
}

TEST_F(DXContextLifecycle, ReleaseHandleSkipsNoneAndUnknownAndKillsTheHandle) {
    int frame = newFrame();
    EXPECT_EQ(context->releaseHandle(0), S_OK);
    EXPECT_EQ(context->releaseHandle(0x0ABCDEF1), S_OK);
    EXPECT_EQ(context->releaseHandle(frame), S_OK);
    EXPECT_FALSE(alive(frame));
    EXPECT_EQ(context->releaseHandle(frame), S_OK);  // twice is harmless
    int again = newFrame();
    EXPECT_NE(again, frame);  // the reused slot carries a new generation
    EXPECT_EQ(context->setFrameColor(frame, 0), E_HANDLE);
    EXPECT_EQ(context->setFrameColor(again, 0), S_OK);
}

TEST_F(DXContextLifecycle, AnObjectReleasedThroughAnotherContextLeavesBothWhole) {
    IDXContext* other = nullptr;
    ASSERT_EQ(PelmoraCreateContext(&other), S_OK);
    int frame = newFrame();
    EXPECT_EQ(other->releaseHandle(frame), S_OK);
    EXPECT_FALSE(alive(frame));
    other->Release();
    // The owning context's teardown must not destroy it a second time (AddressSanitizer watches).
}

TEST_F(DXContextLifecycle, ReleaseHandlesReadsTheArrayFromItsLowerBoundAndRefusesOthers) {
    int a = newFrame();
    int b = newFrame();
    int kept = newFrame();
    SAFEARRAY* handles = handleArray({a, 0, 0x7FFF0001, b}, 5);
    EXPECT_EQ(context->releaseHandles(&handles), S_OK);
    EXPECT_FALSE(alive(a));
    EXPECT_FALSE(alive(b));
    EXPECT_TRUE(alive(kept));
    EXPECT_EQ(handles->cLocks, 0u);
    SafeArrayDestroy(handles);

    SAFEARRAY* missing = nullptr;
    SAFEARRAY* shorts = SafeArrayCreateVector(VT_I2, 0, 3);
    const std::string log = stdoutOf([&] {
        EXPECT_EQ(context->releaseHandles(nullptr), E_INVALIDARG);
        EXPECT_EQ(context->releaseHandles(&missing), E_INVALIDARG);
        EXPECT_EQ(context->releaseHandles(&shorts), E_INVALIDARG);
    });
    EXPECT_THAT(log, HasSubstr("FAILED HRESULT (0x80070057) [87] in "));
    EXPECT_EQ(shorts->cLocks, 0u);
    SafeArrayDestroy(shorts);
}

TEST_F(DXContextLifecycle, ReleaseHandlesReadsEveryDimensionAndRefusesBoundsThatGiveNoCount) {
    // A 2 x 2 grid of handles is four handles, in storage order.
    const int grid[4] = {newFrame(), newFrame(), newFrame(), newFrame()};
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    SAFEARRAY* handles = SafeArrayCreate(VT_I4, 2, bounds);
    std::memcpy(handles->pvData, grid, sizeof grid);
    EXPECT_EQ(context->releaseHandles(&handles), S_OK);
    for (int handle : grid) EXPECT_FALSE(alive(handle));
    SafeArrayDestroy(handles);

    // Legal and empty: the first dimension's 3 must not be read from no data.
    SAFEARRAYBOUND emptyBounds[2] = {{3, 0}, {0, 0}};
    SAFEARRAY* empty = SafeArrayCreate(VT_I4, 2, emptyBounds);
    EXPECT_EQ(context->releaseHandles(&empty), S_OK);
    SafeArrayDestroy(empty);

    const int kept = newFrame();
    for (auto [lower, count] : {std::pair{INT_MIN, 0u}, std::pair{INT_MAX - 1, 3u}}) {
        pelmora::test::HandBuiltArray wrapped(lower, count);
        wrapped.data.fill(kept);
        const std::string log = stdoutOf(
            [&] { EXPECT_EQ(context->releaseHandles(&wrapped), E_INVALIDARG) << lower; });
        EXPECT_THAT(log, HasSubstr("no element count fits"));
        EXPECT_THAT(log, HasSubstr("FAILED HRESULT (0x80070057) [87] in ArrayArguments.cpp"));
        EXPECT_EQ(wrapped.descriptor.cLocks, 0u);
    }
    EXPECT_TRUE(alive(kept));
}

TEST_F(DXContextLifecycle, AFaultInAnOperationBecomesAStatusAndALogLine) {
    const struct {
        FaultingVisual::Fault fault;
        HRESULT status;
        const char* log;
    } cases[] = {
        {FaultingVisual::Fault::StructuredException, static_cast<HRESULT>(0xC0000005u),
         "Caught SE in Pelmora: 0xc0000005 at address 0x1234; file = DXContextScene.cpp; "
         "line number = "},
        {FaultingVisual::Fault::OtherException, S_FALSE,
         "Unknown exception found in Pelmora: file = DXContextScene.cpp; line number = "},
    };
    for (const auto& c : cases) {
        FaultingVisual visual(c.fault);
        const int handle = HandleTable::instance().issue(&visual, pelmora::HandleKind::Visual);
        EXPECT_THAT(stdoutOf([&] { EXPECT_EQ(context->setAppData(handle, 1), c.status); }),
                    HasSubstr(c.log));
        int value = -1;
        EXPECT_EQ(context->getAppData(handle, &value), S_OK);  // the next call works
        EXPECT_EQ(value, 0);
    }
}

TEST_F(DXContextLifecycle, OnlyVariantTrueSuspendsRefinementsAndTheDeviceNameStartsEmpty) {
    EXPECT_EQ(context->suspendMeshRefinements(VARIANT_TRUE), S_OK);
    EXPECT_TRUE(pelmora::processState().refinementsSuspended);
    EXPECT_EQ(context->suspendMeshRefinements(1), S_OK);
    EXPECT_FALSE(pelmora::processState().refinementsSuspended);

    BSTR name = nullptr;
    EXPECT_EQ(context->getCurrentDeviceName(&name), S_OK);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(SysStringLen(name), 0u);
    SysFreeString(name);
}

}  // namespace
