// Ownership and the guarded call as a host sees them: releases, teardown,
// faults turned into statuses and log lines, process-wide switches.
#include <pelmora/pelmora.h>

#include "host/HandleTable.h"
#include "host/ProcessState.h"
#include "scene/DXVisual.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

using pelmora::HandleTable;

// A visual whose application-data calls fail the way a corrupt object would.
class FaultingVisual : public pelmora::DXVisual {
public:
    enum class Fault { StructuredException, OtherException };
    explicit FaultingVisual(Fault fault) : fault_(fault) {}
    HRESULT setAppData(int) override {
        if (fault_ == Fault::StructuredException)
            throw TorvelStructuredException(0x1234, EXCEPTION_ACCESS_VIOLATION);
        throw std::runtime_error("corrupt");
    }
    HRESULT render(IDirect3DDevice9*, pelmora::SceneViewport*, const D3DMATRIX*, D3DMATERIAL9*,
                   pelmora::RenderAttributes) override {
        return S_OK;
    }
    void dump(int) override {}

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

TEST_F(DXContextLifecycle, ReleasingAParentLeavesTheChildWithoutOne) {
    int parent = newFrame();
    int child = newFrame(parent);
    int holder = newFrame();
    EXPECT_EQ(context->frameAddVisual(holder, child), S_OK);
    EXPECT_EQ(context->releaseHandle(child), S_OK);
    EXPECT_EQ(context->releaseHandle(parent), S_OK);
    // The holder no longer lists the released child: its world transform and
    // a re-parenting of a fresh frame work without touching freed memory.
    int fresh = newFrame();
    EXPECT_EQ(context->frameAddChild(holder, fresh), S_OK);
    SAFEARRAY* world = nullptr;
    EXPECT_EQ(context->getFrameWorldTransform(fresh, &world), S_OK);
    SafeArrayDestroy(world);
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

TEST_F(DXContextLifecycle, ReleaseHandlesReadsTheArrayFromItsLowerBound) {
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
}

TEST_F(DXContextLifecycle, ReleaseHandlesRejectsWhatItCannotRead) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(context->releaseHandles(nullptr), E_INVALIDARG);
    SAFEARRAY* missing = nullptr;
    EXPECT_EQ(context->releaseHandles(&missing), E_INVALIDARG);
    SAFEARRAY* shorts = SafeArrayCreateVector(VT_I2, 0, 3);
    EXPECT_EQ(context->releaseHandles(&shorts), E_INVALIDARG);
    EXPECT_EQ(shorts->cLocks, 0u);
    SafeArrayDestroy(shorts);
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("FAILED HRESULT (0x80070057) [87] in "), std::string::npos) << log;
}

TEST_F(DXContextLifecycle, AStructuredExceptionBecomesItsCodeAndALogLine) {
    FaultingVisual visual(FaultingVisual::Fault::StructuredException);
    int handle = HandleTable::instance().issue(&visual, pelmora::HandleKind::Visual);
    testing::internal::CaptureStdout();
    EXPECT_EQ(static_cast<uint32_t>(context->setAppData(handle, 1)), 0xC0000005u);
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Caught SE in Pelmora: 0xc0000005 at address 0x1234; file = "
                       "DXContextScene.cpp; line number = "),
              std::string::npos)
        << log;
    int value = -1;
    EXPECT_EQ(context->getAppData(handle, &value), S_OK);  // the next call works
    EXPECT_EQ(value, 0);
}

TEST_F(DXContextLifecycle, AnyOtherExceptionBecomesStatusOne) {
    FaultingVisual visual(FaultingVisual::Fault::OtherException);
    int handle = HandleTable::instance().issue(&visual, pelmora::HandleKind::Visual);
    testing::internal::CaptureStdout();
    EXPECT_EQ(context->setAppData(handle, 1), S_FALSE);
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Unknown exception found in Pelmora: file = DXContextScene.cpp; line number = "),
              std::string::npos)
        << log;
}

TEST_F(DXContextLifecycle, OnlyVariantTrueSuspendsRefinements) {
    EXPECT_EQ(context->suspendMeshRefinements(VARIANT_TRUE), S_OK);
    EXPECT_TRUE(pelmora::processState().refinementsSuspended);
    EXPECT_EQ(context->suspendMeshRefinements(1), S_OK);
    EXPECT_FALSE(pelmora::processState().refinementsSuspended);
}

TEST_F(DXContextLifecycle, DeviceNameIsEmptyBeforeInitialize) {
    BSTR name = nullptr;
    EXPECT_EQ(context->getCurrentDeviceName(&name), S_OK);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(SysStringLen(name), 0u);
    SysFreeString(name);
}

}  // namespace
