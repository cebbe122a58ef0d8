#include "device/DXUT.h"

#include "device/DXUTErrors.h"
#include "device/ScriptedDirect3D.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace pelmora {
namespace {

using test::capsWith;
using test::CreateDeviceCall;
using test::ScriptedAdapter;
using test::ScriptedDirect3D;

constexpr HWND kWindow = 7;
constexpr DWORD kHardwareBehavior =
    D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED | D3DCREATE_NOWINDOWCHANGES;

// Source lines move; the log lines are compared without them.
std::string withoutLineNumbers(const std::string& text) {
    return std::regex_replace(text, std::regex("@ [0-9]+"), "@ N");
}

class DXUTTest : public ::testing::Test {
protected:
    ScriptedDirect3D d3d;
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS used{};
    std::string log;

    void SetUp() override { d3d.adapters = {ScriptedAdapter{}}; }
    void TearDown() override {
        if (device)
            device->Release();
    }

    HRESULT create(UINT minWidth = 640, UINT minHeight = 480) {
        if (device)
            device->Release();
        device = nullptr;
        testing::internal::CaptureStdout();
        HRESULT hr = DXUT(&d3d).createDevice(kWindow, minWidth, minHeight, &device, &used);
        log = testing::internal::GetCapturedStdout();
        return hr;
    }

    const D3DPRESENT_PARAMETERS& asked() const { return d3d.createCalls.back().pp; }
};

TEST_F(DXUTTest, BackBufferHasTheDesktopSizeWhateverTheWindow) {
    ASSERT_EQ(create(640, 480), S_OK);
    ASSERT_EQ(d3d.createCalls.size(), 1u);
    EXPECT_EQ(asked().BackBufferWidth, 1920u);
    EXPECT_EQ(asked().BackBufferHeight, 1080u);
    ASSERT_EQ(create(1, 1), S_OK);
    EXPECT_EQ(asked().BackBufferWidth, 1920u);
    EXPECT_EQ(asked().BackBufferHeight, 1080u);
}

TEST_F(DXUTTest, BackBufferGrowsToHoldALargerViewport) {
    ASSERT_EQ(create(2560, 1440), S_OK);
    EXPECT_EQ(asked().BackBufferWidth, 2560u);
    EXPECT_EQ(asked().BackBufferHeight, 1440u);
    ASSERT_EQ(create(2000, 500), S_OK);
    EXPECT_EQ(asked().BackBufferWidth, 2000u);
    EXPECT_EQ(asked().BackBufferHeight, 1080u);
}

TEST_F(DXUTTest, DesktopSizeFollowsTheAdapter) {
    d3d.adapters[0].desktop = D3DDISPLAYMODE{640, 480, 60, D3DFMT_X8R8G8B8};
    ASSERT_EQ(create(320, 200), S_OK);
    EXPECT_EQ(asked().BackBufferWidth, 640u);
    EXPECT_EQ(asked().BackBufferHeight, 480u);
}

TEST_F(DXUTTest, WindowedCopySwapChainWithLockableBackBuffer) {
    ASSERT_EQ(create(), S_OK);
    const CreateDeviceCall& call = d3d.createCalls.back();
    EXPECT_EQ(call.adapter, 0u);
    EXPECT_EQ(call.deviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(call.focusWindow, 0);
    EXPECT_EQ(call.behaviorFlags, kHardwareBehavior | D3DCREATE_FPU_PRESERVE);
    const D3DPRESENT_PARAMETERS& pp = call.pp;
    EXPECT_EQ(pp.SwapEffect, D3DSWAPEFFECT_COPY);
    EXPECT_EQ(pp.Flags, static_cast<DWORD>(D3DPRESENTFLAG_LOCKABLE_BACKBUFFER));
    EXPECT_EQ(pp.Windowed, TRUE);
    EXPECT_EQ(pp.hDeviceWindow, kWindow);
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_UNKNOWN);
    EXPECT_EQ(pp.BackBufferCount, 1u);
    EXPECT_EQ(pp.MultiSampleType, D3DMULTISAMPLE_NONE);
    EXPECT_EQ(pp.MultiSampleQuality, 0u);
    EXPECT_EQ(pp.FullScreen_RefreshRateInHz, 0u);
    EXPECT_EQ(pp.PresentationInterval, static_cast<UINT>(D3DPRESENT_INTERVAL_DEFAULT));
    EXPECT_EQ(pp.EnableAutoDepthStencil, TRUE);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(used.SwapEffect, D3DSWAPEFFECT_COPY);
    EXPECT_EQ(used.BackBufferWidth, 1920u);
}

TEST_F(DXUTTest, DepthFormatIsTheBestTheDeviceOffers) {
    std::vector<D3DFORMAT> preference = {D3DFMT_D32,  D3DFMT_D24X8, D3DFMT_D24X4S4,
                                         D3DFMT_D24S8, D3DFMT_D16,   D3DFMT_D15S1};
    d3d.adapters[0].depthFormats = {preference.begin(), preference.end()};
    for (D3DFORMAT expected : preference) {
        ASSERT_EQ(create(), S_OK);
        EXPECT_EQ(asked().AutoDepthStencilFormat, expected);
        EXPECT_EQ(asked().EnableAutoDepthStencil, TRUE);
        d3d.adapters[0].depthFormats.erase(expected);
    }
}

TEST_F(DXUTTest, NoDepthFormatMeansNoAutomaticDepthBuffer) {
    d3d.adapters[0].depthFormats.clear();
    ASSERT_EQ(create(), S_OK);
    EXPECT_EQ(asked().EnableAutoDepthStencil, FALSE);
}

TEST_F(DXUTTest, CreationIsTracedWithTheDeviceTypeAndAdapterFormat) {
    ASSERT_EQ(create(), S_OK);
    EXPECT_EQ(log, "Creating device (D3DDEVTYPE_HAL), with format 22\n");
}

TEST_F(DXUTTest, SoftwareRasterizerOnlyGivesASoftwareDevice) {
    d3d.adapters[0].deviceTypes = {{D3DDEVTYPE_SW, capsWith(0, test::kAllIntervals)}};
    ASSERT_EQ(create(), S_OK);
    EXPECT_EQ(log, "Creating device (D3DDEVTYPE_SW), with format 22\n");
    EXPECT_EQ(d3d.createCalls.back().deviceType, D3DDEVTYPE_SW);
    EXPECT_EQ(d3d.createCalls.back().behaviorFlags,
              D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED |
                  D3DCREATE_NOWINDOWCHANGES | D3DCREATE_FPU_PRESERVE);
}

TEST_F(DXUTTest, DeviceTypeNamesFollowTheTable) {
    EXPECT_STREQ(DXUT::deviceTypeName(static_cast<D3DDEVTYPE>(1)), "D3DDEVTYPE_HAL");
    EXPECT_STREQ(DXUT::deviceTypeName(static_cast<D3DDEVTYPE>(2)), "D3DDEVTYPE_REF");
    EXPECT_STREQ(DXUT::deviceTypeName(static_cast<D3DDEVTYPE>(3)), "D3DDEVTYPE_SW");
    EXPECT_STREQ(DXUT::deviceTypeName(static_cast<D3DDEVTYPE>(4)), "D3DDEVTYPE_NULLREF");
    EXPECT_STREQ(DXUT::deviceTypeName(static_cast<D3DDEVTYPE>(5)), "D3DDEVTYPE_HAL");
    EXPECT_STREQ(DXUT::deviceTypeName(static_cast<D3DDEVTYPE>(0)), "D3DDEVTYPE_HAL");
}

TEST_F(DXUTTest, FailedCreationDumpsTheAttempt) {
    d3d.createDeviceResult = D3DERR_NOTAVAILABLE;
    EXPECT_EQ(create(), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device, nullptr);
    const std::string failed = "FAILED HRESULT (0x8876086a) [2154] in DXUT.cpp @ N\n";
    EXPECT_EQ(withoutLineNumbers(log),
              "Creating device (D3DDEVTYPE_HAL), with format 22\n" + failed +
                  "!!!!!!!!FAILED DEVICE CREATION !!!!!!!!!!!!!!\n\tAdapter: 0\n"
                  "\tType:   D3DDEVTYPE_HAL\n\tBehavior: 0x     844\n"
                  "\tBackBufferWidth: 1920, BackBufferFormat: 0, BackBufferCount: 1\n"
                  "\tMultiSampleType: 0, MultiSampleQuality: 0x       0,SwapEffect: 3\n"
                  "\thDeviceWindow: 0x       7, windowed: TRUE\n"
                  "\tEnableAutoDepthStencil: TRUE AutoDepthStencilFormat: 0x      47\n"
                  "\tFlags: 0x       1, RefreshRate: 0, PresentInterval: 0x       0\n" +
                  failed);
}

TEST_F(DXUTTest, NoCompatibleDeviceIsTracedAndNothingIsCreated) {
    d3d.adapters[0].deviceTypes.clear();
    EXPECT_EQ(create(), DXUTERR_NOCOMPATIBLEDEVICES);
    EXPECT_EQ(withoutLineNumbers(log), "FAILED HRESULT (0x80040902) [2306] in DXUT.cpp @ N\n");
    EXPECT_TRUE(d3d.createCalls.empty());
    EXPECT_EQ(device, nullptr);
}

TEST_F(DXUTTest, MissingDirect3DIsReported) {
    testing::internal::CaptureStdout();
    HRESULT hr = DXUT(nullptr).createDevice(kWindow, 1, 1, &device, &used);
    log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(hr, DXUTERR_NODIRECT3D);
    EXPECT_EQ(withoutLineNumbers(log), "FAILED HRESULT (0x80040901) [2305] in DXUT.cpp @ N\n");
}

TEST_F(DXUTTest, MissingOutPointerIsRefused) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(DXUT(&d3d).createDevice(kWindow, 1, 1, nullptr, nullptr), E_POINTER);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(d3d.createCalls.empty());
}

TEST(DXUTErrorsTest, CodesHaveTheirDescriptions) {
    EXPECT_EQ(DXUTErrorDescription(DXUTERR_NOCOMPATIBLEDEVICES),
              u"Could not find any compatible Direct3D devices.");
    EXPECT_EQ(DXUTErrorDescription(DXUTERR_INCORRECTVERSION),
              u"Incorrect version of Direct3D and/or D3DX.");
    EXPECT_EQ(DXUTErrorDescription(DXUTERR_NODIRECT3D).substr(0, 32),
              u"Could not initialize Direct3D. Y");
    EXPECT_TRUE(DXUTErrorDescription(E_FAIL).empty());
}

}  // namespace
}  // namespace pelmora
