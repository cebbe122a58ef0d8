#include "device/DXUT.h"

#include "device/DXUTErrors.h"
#include "device/ScriptedDirect3D.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <tuple>
#include <vector>

namespace pelmora {
namespace {

using test::capsWith;

constexpr HWND kWindow = 7;
constexpr DWORD kBehavior = D3DCREATE_MULTITHREADED | D3DCREATE_NOWINDOWCHANGES | D3DCREATE_FPU_PRESERVE;

// Source lines move; the log lines are compared without them.
std::string withoutLineNumbers(const std::string& text) {
    return std::regex_replace(text, std::regex("@ [0-9]+"), "@ N");
}

class DXUTTest : public ::testing::Test {
protected:
    void TearDown() override { dropDevice(); }
    void dropDevice() {
        if (device) device->Release();
        device = nullptr;
    }
    HRESULT create(UINT minWidth = 640, UINT minHeight = 480) {
        dropDevice();
        testing::internal::CaptureStdout();
        const HRESULT hr = DXUT(&d3d).createDevice(kWindow, minWidth, minHeight, &device, &used);
        log = withoutLineNumbers(testing::internal::GetCapturedStdout());
        return hr;
    }
    const D3DPRESENT_PARAMETERS& asked() const { return d3d.createCalls.back().pp; }
    std::pair<UINT, UINT> askedSize() const { return {asked().BackBufferWidth, asked().BackBufferHeight}; }

    test::ScriptedDirect3D d3d;
    test::ScriptedAdapter& adapter = (d3d.adapters = {test::ScriptedAdapter{}}).front();
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS used{};
    std::string log;
};

TEST_F(DXUTTest, BackBufferHasTheDesktopSizeUnlessTheViewportNeedsMore) {
    const std::pair<std::pair<UINT, UINT>, std::pair<UINT, UINT>> cases[] = {
        {{640, 480}, {1920, 1080}}, {{1, 1}, {1920, 1080}}, {{2560, 1440}, {2560, 1440}}, {{2000, 500}, {2000, 1080}}};
    for (const auto& [asking, expected] : cases) {
        ASSERT_EQ(create(asking.first, asking.second), S_OK);
        EXPECT_EQ(askedSize(), expected) << asking.first << " x " << asking.second;
    }
    adapter.desktop = D3DDISPLAYMODE{640, 480, 60, D3DFMT_X8R8G8B8};
    ASSERT_EQ(create(320, 200), S_OK);
    EXPECT_EQ(askedSize(), (std::pair<UINT, UINT>{640, 480}));
}

TEST_F(DXUTTest, WindowedCopySwapChainWithLockableBackBufferIsTraced) {
    ASSERT_EQ(create(), S_OK);
    EXPECT_EQ(log, "Creating device (D3DDEVTYPE_HAL), with format 22\n");
    ASSERT_EQ(d3d.createCalls.size(), 1u);
    const test::CreateDeviceCall& call = d3d.createCalls.back();
    EXPECT_EQ((std::tuple{call.adapter, call.deviceType, call.focusWindow, call.behaviorFlags}),
              (std::tuple{0u, D3DDEVTYPE_HAL, HWND(0), kBehavior | D3DCREATE_HARDWARE_VERTEXPROCESSING}));
    const D3DPRESENT_PARAMETERS& pp = call.pp;
    EXPECT_EQ((std::tuple{pp.SwapEffect, pp.Flags, pp.Windowed, pp.hDeviceWindow, pp.BackBufferFormat,
                          pp.BackBufferCount, pp.MultiSampleType, pp.PresentationInterval}),
              (std::tuple{D3DSWAPEFFECT_COPY, DWORD(D3DPRESENTFLAG_LOCKABLE_BACKBUFFER), BOOL(TRUE), kWindow,
                          D3DFMT_UNKNOWN, 1u, D3DMULTISAMPLE_NONE, UINT(D3DPRESENT_INTERVAL_DEFAULT)}));
    ASSERT_NE(device, nullptr);
    EXPECT_EQ((std::pair{used.SwapEffect, used.BackBufferWidth}), (std::pair{D3DSWAPEFFECT_COPY, 1920u}));
}

TEST_F(DXUTTest, DepthFormatIsTheBestTheDeviceOffers) {
    const std::vector<D3DFORMAT> preference = {D3DFMT_D32, D3DFMT_D24X8, D3DFMT_D24X4S4,
                                               D3DFMT_D24S8, D3DFMT_D16, D3DFMT_D15S1};
    adapter.depthFormats = {preference.begin(), preference.end()};
    for (D3DFORMAT expected : preference) {
        ASSERT_EQ(create(), S_OK);
        EXPECT_EQ(asked().AutoDepthStencilFormat, expected);
        EXPECT_EQ(asked().EnableAutoDepthStencil, TRUE);
        adapter.depthFormats.erase(expected);
    }
    ASSERT_EQ(create(), S_OK);
    EXPECT_EQ(asked().EnableAutoDepthStencil, FALSE) << "no depth format, no depth buffer";
}

TEST_F(DXUTTest, SoftwareRasterizerOnlyGivesASoftwareDevice) {
    adapter.deviceTypes = {{D3DDEVTYPE_SW, capsWith(0, test::kAllIntervals)}};
    ASSERT_EQ(create(), S_OK);
    EXPECT_EQ(log, "Creating device (D3DDEVTYPE_SW), with format 22\n");
    EXPECT_EQ(d3d.createCalls.back().deviceType, D3DDEVTYPE_SW);
    EXPECT_EQ(d3d.createCalls.back().behaviorFlags, kBehavior | D3DCREATE_SOFTWARE_VERTEXPROCESSING);
}

TEST_F(DXUTTest, DeviceTypeNamesFollowTheTable) {
    const char* names[] = {"D3DDEVTYPE_HAL", "D3DDEVTYPE_HAL", "D3DDEVTYPE_REF",
                           "D3DDEVTYPE_SW",  "D3DDEVTYPE_NULLREF", "D3DDEVTYPE_HAL"};
    for (int type = 0; type < 6; ++type)
        EXPECT_STREQ(DXUT::deviceTypeName(D3DDEVTYPE(type)), names[type]) << type;
}

TEST_F(DXUTTest, FailedCreationDumpsTheAttempt) {
    d3d.createDeviceResult = D3DERR_NOTAVAILABLE;
    EXPECT_EQ(create(), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device, nullptr);
    const std::string failed = "FAILED HRESULT (0x8876086a) [2154] in DXUT.cpp @ N\n";
    EXPECT_EQ(log, "Creating device (D3DDEVTYPE_HAL), with format 22\n" + failed +
                       "!!!!!!!!FAILED DEVICE CREATION !!!!!!!!!!!!!!\n\tAdapter: 0\n"
                       "\tType:   D3DDEVTYPE_HAL\n\tBehavior: 0x     844\n"
                       "\tBackBufferWidth: 1920, BackBufferFormat: 0, BackBufferCount: 1\n"
                       "\tMultiSampleType: 0, MultiSampleQuality: 0x       0,SwapEffect: 3\n"
                       "\thDeviceWindow: 0x       7, windowed: TRUE\n"
                       "\tEnableAutoDepthStencil: TRUE AutoDepthStencilFormat: 0x      47\n"
                       "\tFlags: 0x       1, RefreshRate: 0, PresentInterval: 0x       0\n" +
                       failed);
}

TEST_F(DXUTTest, MissingDeviceDirect3DOrOutPointerIsReportedAndNothingIsCreated) {
    adapter.deviceTypes.clear();
    EXPECT_EQ(create(), DXUTERR_NOCOMPATIBLEDEVICES);
    EXPECT_EQ(log, "FAILED HRESULT (0x80040902) [2306] in DXUT.cpp @ N\n");
    EXPECT_EQ(device, nullptr);
    testing::internal::CaptureStdout();
    EXPECT_EQ(DXUT(nullptr).createDevice(kWindow, 1, 1, &device, &used), DXUTERR_NODIRECT3D);
    EXPECT_EQ(withoutLineNumbers(testing::internal::GetCapturedStdout()),
              "FAILED HRESULT (0x80040901) [2305] in DXUT.cpp @ N\n");
    testing::internal::CaptureStdout();
    EXPECT_EQ(DXUT(&d3d).createDevice(kWindow, 1, 1, nullptr, nullptr), E_POINTER);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(d3d.createCalls.empty());
}

TEST(DXUTErrorsTest, CodesHaveTheirDescriptions) {
    EXPECT_EQ(DXUTErrorDescription(DXUTERR_NOCOMPATIBLEDEVICES), u"Could not find any compatible Direct3D devices.");
    EXPECT_EQ(DXUTErrorDescription(DXUTERR_INCORRECTVERSION), u"Incorrect version of Direct3D and/or D3DX.");
    EXPECT_EQ(DXUTErrorDescription(DXUTERR_NODIRECT3D).substr(0, 32), u"Could not initialize Direct3D. Y");
    EXPECT_TRUE(DXUTErrorDescription(E_FAIL).empty());
}

}  // namespace
}  // namespace pelmora
