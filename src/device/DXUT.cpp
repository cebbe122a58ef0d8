#include "device/DXUT.h"

#include "device/DXUTEnumeration.h"
#include "device/DXUTErrors.h"
#include "core/Diagnostics.h"
#include "platform/win/AntialiasingSetting.h"

#include <algorithm>

namespace pelmora {

namespace {

constexpr HWND kNoFocusWindow = 0;
// The device must leave the host's windows alone, and stay safe should the
// host ever call from more than one thread.
constexpr DWORD kWindowBehavior = D3DCREATE_MULTITHREADED | D3DCREATE_NOWINDOWCHANGES;
constexpr DWORD kCreateBehavior = D3DCREATE_FPU_PRESERVE | D3DCREATE_MULTITHREADED;

const char* yesNo(BOOL value) { return value ? "TRUE" : "FALSE"; }

DXUTMatchOptions requestMatchOptions() {
    DXUTMatchOptions options;
    options.adapterOrdinal = DXUTMatchType::PreserveInput;
    options.windowed = DXUTMatchType::PreserveInput;
    options.backBufferCount = DXUTMatchType::PreserveInput;
    options.swapEffect = DXUTMatchType::PreserveInput;
    options.presentFlags = DXUTMatchType::PreserveInput;
    options.presentInterval = DXUTMatchType::PreserveInput;
    return options;
}

}  // namespace

const char* DXUT::deviceTypeName(D3DDEVTYPE type) {
    switch (type) {
    case D3DDEVTYPE_REF:
        return "D3DDEVTYPE_REF";
    case D3DDEVTYPE_SW:
        return "D3DDEVTYPE_SW";
    case D3DDEVTYPE_NULLREF:
        return "D3DDEVTYPE_NULLREF";
    default:
        return "D3DDEVTYPE_HAL";
    }
}

DXUTDeviceSettings DXUT::request(HWND window) {
    DXUTDeviceSettings settings;
    settings.adapterOrdinal = D3DADAPTER_DEFAULT;
    D3DPRESENT_PARAMETERS& pp = settings.pp;
    pp.BackBufferCount = 1;
    pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    // Presentation copies parts of the back buffer to several windows and
    // reads it back, so it must survive Present and be lockable.
    pp.SwapEffect = D3DSWAPEFFECT_COPY;
    pp.hDeviceWindow = window;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = FALSE;
    pp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
    return settings;
}

HRESULT DXUT::createDevice(HWND window, UINT minWidth, UINT minHeight, IDirect3DDevice9** device,
                           D3DPRESENT_PARAMETERS* presentParameters) {
    if (!device)
        return PELMORA_TRACE_FAILED(E_POINTER);
    *device = nullptr;
    DXUTEnumeration& enumeration = DXUTEnumeration::instance();
    PELMORA_RETURN_IF_FAILED(enumeration.enumerate(d3d_));
    DXUTDeviceSettings settings;
    PELMORA_RETURN_IF_FAILED(enumeration.findValidDeviceSettings(d3d_, request(window),
                                                                 requestMatchOptions(), &settings));
    settings.behaviorFlags |= kWindowBehavior;
    settings.pp.hDeviceWindow = window;
    settings.pp.BackBufferWidth = std::max(settings.pp.BackBufferWidth, minWidth);
    settings.pp.BackBufferHeight = std::max(settings.pp.BackBufferHeight, minHeight);
    settings.pp.MultiSampleType = multiSampleFor(settings);
    settings.pp.MultiSampleQuality = 0;
    logFormat("Creating device (%s), with format %d\n", deviceTypeName(settings.deviceType),
              static_cast<int>(settings.adapterFormat));
    HRESULT hr = d3d_->CreateDevice(settings.adapterOrdinal, settings.deviceType, kNoFocusWindow,
                                    settings.behaviorFlags | kCreateBehavior, &settings.pp, device);
    if (FAILED(hr)) {
        PELMORA_TRACE_FAILED(hr);
        traceFailedCreation(settings);
        *device = nullptr;
        return PELMORA_TRACE_FAILED(hr);
    }
    if (presentParameters)
        *presentParameters = settings.pp;
    return S_OK;
}

D3DMULTISAMPLE_TYPE DXUT::multiSampleFor(const DXUTDeviceSettings& settings) const {
    int samples = win::readAntialiasingSetting();
    if (samples < 0) samples = settings.deviceType == D3DDEVTYPE_SW ? 0 : win::kDefaultHardwareSamples;
    const D3DPRESENT_PARAMETERS& pp = settings.pp;
    const D3DFORMAT colour =
        pp.BackBufferFormat == D3DFMT_UNKNOWN ? settings.adapterFormat : pp.BackBufferFormat;
    for (; samples >= 2; --samples) {
        const auto type = static_cast<D3DMULTISAMPLE_TYPE>(samples);
        const bool offered =
            SUCCEEDED(d3d_->CheckDeviceMultiSampleType(settings.adapterOrdinal, settings.deviceType, colour,
                                                       pp.Windowed, type, nullptr)) &&
            (!pp.EnableAutoDepthStencil ||
             SUCCEEDED(d3d_->CheckDeviceMultiSampleType(settings.adapterOrdinal, settings.deviceType,
                                                        pp.AutoDepthStencilFormat, pp.Windowed, type,
                                                        nullptr)));
        if (offered) return type;
    }
    return D3DMULTISAMPLE_NONE;
}

void DXUT::traceFailedCreation(const DXUTDeviceSettings& settings) {
    const D3DPRESENT_PARAMETERS& pp = settings.pp;
    logFormat("!!!!!!!!FAILED DEVICE CREATION !!!!!!!!!!!!!!\n\tAdapter: %d\n\tType:   %s\n"
              "\tBehavior: 0x%8x\n",
              static_cast<int>(settings.adapterOrdinal), deviceTypeName(settings.deviceType),
              static_cast<unsigned>(settings.behaviorFlags));
    logFormat("\tBackBufferWidth: %d, BackBufferFormat: %d, BackBufferCount: %d\n"
              "\tMultiSampleType: %d, MultiSampleQuality: 0x%8x,SwapEffect: %d\n",
              static_cast<int>(pp.BackBufferWidth), static_cast<int>(pp.BackBufferFormat),
              static_cast<int>(pp.BackBufferCount), static_cast<int>(pp.MultiSampleType),
              static_cast<unsigned>(pp.MultiSampleQuality), static_cast<int>(pp.SwapEffect));
    logFormat("\thDeviceWindow: 0x%8x, windowed: %s\n"
              "\tEnableAutoDepthStencil: %s AutoDepthStencilFormat: 0x%8x\n",
              static_cast<unsigned>(pp.hDeviceWindow), yesNo(pp.Windowed),
              yesNo(pp.EnableAutoDepthStencil), static_cast<unsigned>(pp.AutoDepthStencilFormat));
    logFormat("\tFlags: 0x%8x, RefreshRate: %d, PresentInterval: 0x%8x\n",
              static_cast<unsigned>(pp.Flags), static_cast<int>(pp.FullScreen_RefreshRateInHz),
              static_cast<unsigned>(pp.PresentationInterval));
}

}  // namespace pelmora
