// The Direct3D object's answers about adapters, formats and devices, as the
// EGL devices of this machine offer them.
#include "support/D3D9TestDevice.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>

namespace pelmora::test {
namespace {

class Direct3D9AdapterGLTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, direct3d);
        ASSERT_GT(direct3d->GetAdapterCount(), 0u);
        software = direct3d->GetAdapterCount() - 1;
    }
    void TearDown() override {
        if (direct3d) {
            EXPECT_EQ(0u, direct3d->Release());
        }
        unsetenv("PELMORA_DESKTOP_SIZE");
    }

    IDirect3D9* direct3d = Direct3DCreate9(D3D_SDK_VERSION);
    UINT software = 0;
};

TEST_F(Direct3D9AdapterGLTest, TheSoftwareRasterizerComesLastAsASoftwareDevice) {
    EXPECT_EQ(nullptr, Direct3DCreate9(31)) << "only version 32 is served";
    D3DADAPTER_IDENTIFIER9 identifier{};
    ASSERT_EQ(D3D_OK, direct3d->GetAdapterIdentifier(software, 0, &identifier));
    EXPECT_NE(std::string::npos, std::string(identifier.Description).find("llvmpipe")) << identifier.Description;
    D3DCAPS9 caps{};
    ASSERT_EQ(D3D_OK, direct3d->GetDeviceCaps(software, D3DDEVTYPE_SW, &caps));
    EXPECT_EQ(D3DDEVTYPE_SW, caps.DeviceType);
    EXPECT_EQ(0u, caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_NE(0u, caps.RasterCaps & D3DPRASTERCAPS_DEPTHBIAS);
    EXPECT_NE(0u, caps.LineCaps & D3DLINECAPS_ANTIALIAS);
    EXPECT_EQ(8u, caps.MaxActiveLights);
    EXPECT_EQ(D3DERR_NOTAVAILABLE, direct3d->GetDeviceCaps(software, D3DDEVTYPE_HAL, &caps));
}

TEST_F(Direct3D9AdapterGLTest, DesktopModeFollowsTheEnvironmentElseTheVirtualDesktop) {
    D3DDISPLAYMODE mode{};
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {  // otherwise an X server answers for the desktop
        ASSERT_EQ(D3D_OK, direct3d->GetAdapterDisplayMode(software, &mode));
        EXPECT_EQ((std::pair{mode.Width, mode.Height}), (std::pair{1920u, 1080u}));
    }
    setenv("PELMORA_DESKTOP_SIZE", "640x480", 1);
    ASSERT_EQ(D3D_OK, direct3d->GetAdapterDisplayMode(software, &mode));
    EXPECT_EQ((std::tuple{mode.Width, mode.Height, mode.RefreshRate, mode.Format}),
              (std::tuple{640u, 480u, 60u, D3DFMT_X8R8G8B8}));
    EXPECT_EQ(1u, direct3d->GetAdapterModeCount(software, D3DFMT_X8R8G8B8));
    EXPECT_EQ(0u, direct3d->GetAdapterModeCount(software, D3DFMT_A8R8G8B8));
    ASSERT_EQ(D3D_OK, direct3d->EnumAdapterModes(software, D3DFMT_X8R8G8B8, 0, &mode));
    EXPECT_EQ(640u, mode.Width);
    EXPECT_EQ(D3DERR_INVALIDCALL, direct3d->EnumAdapterModes(software, D3DFMT_X8R8G8B8, 1, &mode));
}

TEST_F(Direct3D9AdapterGLTest, FormatsAnswerFromWhatTheDriverAccepts) {
    // Windowed devices use the desktop format.
    const std::tuple<D3DDEVTYPE, D3DFORMAT, D3DFORMAT, HRESULT> types[] = {
        {D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3D_OK},
        {D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, D3D_OK},
        {D3DDEVTYPE_SW, D3DFMT_R5G6B5, D3DFMT_R5G6B5, D3DERR_NOTAVAILABLE},
        {D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DERR_NOTAVAILABLE},
        {D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DERR_NOTAVAILABLE}};
    for (const auto& [type, adapterFormat, backBuffer, expected] : types)
        EXPECT_EQ(expected, direct3d->CheckDeviceType(software, type, adapterFormat, backBuffer, TRUE))
            << type << " " << adapterFormat << " " << backBuffer;
    const std::tuple<DWORD, D3DRESOURCETYPE, D3DFORMAT, HRESULT> formats[] = {
        {D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24S8, D3D_OK},
        {D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D16, D3D_OK},
        {D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D15S1, D3DERR_NOTAVAILABLE},
        {D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8, D3D_OK},
        // Offered only where GL stores it as it is, so textures never drop to 3-3-2.
        {0, D3DRTYPE_TEXTURE, D3DFMT_A8R3G3B2, D3DERR_NOTAVAILABLE},
        {D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE, D3DFMT_X8R8G8B8, D3D_OK},
        {0, D3DRTYPE_TEXTURE, D3DFMT_P8, D3DERR_NOTAVAILABLE}};
    for (const auto& [usage, resource, format, expected] : formats)
        EXPECT_EQ(expected, direct3d->CheckDeviceFormat(software, D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, usage, resource, format))
            << "format " << format;
    EXPECT_EQ(D3D_OK, direct3d->CheckDepthStencilMatch(software, D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8,
                                                        D3DFMT_D24X8));
    DWORD levels = 0;
    EXPECT_EQ(D3D_OK, direct3d->CheckDeviceMultiSampleType(software, D3DDEVTYPE_SW, D3DFMT_A8R8G8B8, TRUE,
                                                            D3DMULTISAMPLE_NONE, &levels));
    EXPECT_EQ(1u, levels);
    // Sample counts up to the driver's most; never the non-maskable type.
    levels = 0;
    EXPECT_EQ(D3D_OK, direct3d->CheckDeviceMultiSampleType(software, D3DDEVTYPE_SW, D3DFMT_A8R8G8B8, TRUE,
                                                            D3DMULTISAMPLE_4_SAMPLES, &levels));
    EXPECT_EQ(1u, levels);
    for (D3DMULTISAMPLE_TYPE refused : {D3DMULTISAMPLE_NONMASKABLE, D3DMULTISAMPLE_TYPE(64)})
        EXPECT_EQ(D3DERR_NOTAVAILABLE, direct3d->CheckDeviceMultiSampleType(software, D3DDEVTYPE_SW,
                                                                            D3DFMT_A8R8G8B8, TRUE, refused, &levels));
}

TEST_F(Direct3D9AdapterGLTest, CreateDeviceFillsDefaultsAndRefusesWhatIsNotOffered) {
    setenv("PELMORA_DESKTOP_SIZE", "320x200", 1);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.Windowed = parameters.EnableAutoDepthStencil = TRUE;
    parameters.SwapEffect = D3DSWAPEFFECT_COPY;
    parameters.AutoDepthStencilFormat = D3DFMT_D24X8;
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(D3D_OK, direct3d->CreateDevice(software, D3DDEVTYPE_SW, 0, 0, &parameters, &device));
    EXPECT_EQ((std::tuple{parameters.BackBufferWidth, parameters.BackBufferHeight, parameters.BackBufferFormat}),
              (std::tuple{320u, 200u, D3DFMT_X8R8G8B8}));
    DWORD zenable = 0;
    device->GetRenderState(D3DRS_ZENABLE, &zenable);
    EXPECT_EQ(DWORD(D3DZB_TRUE), zenable);
    IDirect3D9* owner = nullptr;
    ASSERT_EQ(D3D_OK, device->GetDirect3D(&owner));
    EXPECT_EQ(direct3d, owner);
    owner->Release();
    EXPECT_EQ(0u, device->Release());
    parameters.AutoDepthStencilFormat = D3DFMT_D15S1;
    EXPECT_EQ(D3DERR_INVALIDCALL, direct3d->CreateDevice(software, D3DDEVTYPE_SW, 0, 0, &parameters, &device));
    EXPECT_EQ(nullptr, device);
    EXPECT_EQ(D3DERR_NOTAVAILABLE, direct3d->CreateDevice(software, D3DDEVTYPE_HAL, 0, 0, &parameters, &device));
}

}  // namespace
}  // namespace pelmora::test
