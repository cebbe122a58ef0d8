// Enumeration and device creation against this machine's real Direct3D
// object: the EGL devices, with the software rasterizer offering SW.
#include "device/DXUT.h"
#include "device/DXUTEnumeration.h"
#include "platform/com/ComPtr.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace pelmora {
namespace {

class DXUTRealDevice : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("PELMORA_DESKTOP_SIZE", "800x600", 1);
        d3d.reset(Direct3DCreate9(D3D_SDK_VERSION));
        ASSERT_TRUE(d3d);
    }
    void TearDown() override { unsetenv("PELMORA_DESKTOP_SIZE"); }

    ComPtr<IDirect3D9> d3d;
};

TEST_F(DXUTRealDevice, EveryAdapterHasAUniqueNameAndAUsableDeviceType) {
    DXUTEnumeration& enumeration = DXUTEnumeration::instance();
    ASSERT_EQ(enumeration.enumerate(d3d.get()), S_OK);
    ASSERT_FALSE(enumeration.adapters().empty());
    for (const auto& adapter : enumeration.adapters()) {
        EXPECT_FALSE(adapter->uniqueDescription.empty());
        EXPECT_FALSE(adapter->deviceInfos.empty());
        for (const auto& other : enumeration.adapters()) {
            if (other != adapter) {
                EXPECT_NE(other->uniqueDescription, adapter->uniqueDescription);
            }
        }
    }
    // The software rasterizer comes last and offers the software device type.
    const auto& last = enumeration.adapters().back();
    EXPECT_NE(last->findDeviceInfo(D3DDEVTYPE_SW), nullptr);
}

TEST_F(DXUTRealDevice, ADeviceForASmallWindowHasADesktopSizedLockableCopyBackBuffer) {
    ComPtr<IDirect3DDevice9> device;
    D3DPRESENT_PARAMETERS used{};
    testing::internal::CaptureStdout();
    ASSERT_EQ(DXUT(d3d.get()).createDevice(0, 64, 64, device.put(), &used), S_OK);
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Creating device (D3DDEVTYPE_"), std::string::npos) << log;
    EXPECT_NE(log.find("), with format 22"), std::string::npos) << log;
    EXPECT_EQ(used.BackBufferWidth, 800u);
    EXPECT_EQ(used.BackBufferHeight, 600u);
    EXPECT_EQ(used.SwapEffect, D3DSWAPEFFECT_COPY);
    EXPECT_TRUE(used.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER);
    EXPECT_TRUE(used.EnableAutoDepthStencil);
    // The best depth format the device offers, in the engine's order of preference.
    const D3DFORMAT preference[] = {D3DFMT_D32,  D3DFMT_D24X8, D3DFMT_D24X4S4,
                                    D3DFMT_D24S8, D3DFMT_D16,   D3DFMT_D15S1};
    D3DFORMAT best = D3DFMT_UNKNOWN;
    for (D3DFORMAT format : preference) {
        if (SUCCEEDED(d3d->CheckDeviceFormat(0, D3DDEVTYPE_SW, D3DFMT_X8R8G8B8,
                                             D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, format)) ||
            SUCCEEDED(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                             D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, format))) {
            best = format;
            break;
        }
    }
    EXPECT_EQ(used.AutoDepthStencilFormat, best);

    ComPtr<IDirect3DSurface9> backBuffer;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.put()), S_OK);
    D3DSURFACE_DESC description{};
    backBuffer->GetDesc(&description);
    EXPECT_EQ(description.Width, 800u);
    EXPECT_EQ(description.Height, 600u);
}

TEST_F(DXUTRealDevice, AViewportLargerThanTheDesktopGetsABackBufferThatHoldsIt) {
    ComPtr<IDirect3DDevice9> device;
    D3DPRESENT_PARAMETERS used{};
    testing::internal::CaptureStdout();
    ASSERT_EQ(DXUT(d3d.get()).createDevice(0, 1000, 500, device.put(), &used), S_OK);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(used.BackBufferWidth, 1000u);
    EXPECT_EQ(used.BackBufferHeight, 600u);
}

}  // namespace
}  // namespace pelmora
