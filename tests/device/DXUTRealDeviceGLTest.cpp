// Enumeration and device creation against this machine's real Direct3D
// object: the EGL devices, with the software rasterizer offering SW.
#include "device/DXUT.h"
#include "device/DXUTEnumeration.h"
#include "platform/com/ComPtr.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
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

    D3DPRESENT_PARAMETERS create(UINT minWidth, UINT minHeight) {
        D3DPRESENT_PARAMETERS used{};
        testing::internal::CaptureStdout();
        EXPECT_EQ(DXUT(d3d.get()).createDevice(0, minWidth, minHeight, device.put(), &used), S_OK);
        log = testing::internal::GetCapturedStdout();
        return used;
    }

    ComPtr<IDirect3D9> d3d;
    ComPtr<IDirect3DDevice9> device;
    std::string log;
};

TEST_F(DXUTRealDevice, EveryAdapterHasAUniqueNameAndTheSoftwareRasterizerComesLast) {
    DXUTEnumeration& enumeration = DXUTEnumeration::instance();
    ASSERT_EQ(enumeration.enumerate(d3d.get()), S_OK);
    ASSERT_FALSE(enumeration.adapters().empty());
    std::set<std::u16string> names;
    for (const auto& adapter : enumeration.adapters()) {
        EXPECT_TRUE(names.insert(adapter->uniqueDescription).second);
        EXPECT_FALSE(adapter->deviceInfos.empty());
    }
    EXPECT_NE(enumeration.adapters().back()->findDeviceInfo(D3DDEVTYPE_SW), nullptr);
}

TEST_F(DXUTRealDevice, ADeviceForASmallWindowHasADesktopSizedLockableCopyBackBuffer) {
    const D3DPRESENT_PARAMETERS used = create(64, 64);
    EXPECT_NE(log.find("Creating device (D3DDEVTYPE_"), std::string::npos) << log;
    EXPECT_NE(log.find("), with format 22"), std::string::npos) << log;
    EXPECT_EQ(used.SwapEffect, D3DSWAPEFFECT_COPY);
    EXPECT_TRUE(used.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER);
    EXPECT_TRUE(used.EnableAutoDepthStencil);
    // The best depth format the device offers, in the engine's order of preference.
    D3DFORMAT best = D3DFMT_UNKNOWN;
    for (D3DFORMAT format : {D3DFMT_D32, D3DFMT_D24X8, D3DFMT_D24X4S4, D3DFMT_D24S8, D3DFMT_D16, D3DFMT_D15S1}) {
        for (D3DDEVTYPE type : {D3DDEVTYPE_SW, D3DDEVTYPE_HAL})
            if (best == D3DFMT_UNKNOWN && SUCCEEDED(d3d->CheckDeviceFormat(0, type, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                                                            D3DRTYPE_SURFACE, format)))
                best = format;
    }
    EXPECT_EQ(used.AutoDepthStencilFormat, best);
    ComPtr<IDirect3DSurface9> backBuffer;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.put()), S_OK);
    D3DSURFACE_DESC description{};
    backBuffer->GetDesc(&description);
    EXPECT_EQ((std::pair{description.Width, description.Height}), (std::pair{800u, 600u}));
}

}  // namespace
}  // namespace pelmora
