#include "platform/d3d9/gl/Direct3D9GL.h"

#include "core/Diagnostics.h"
#include "platform/d3d9/gl/StateNames.h"
#include "platform/d3d9/gl/DesktopMode.h"
#include "platform/d3d9/gl/EglAdapterList.h"
#include "platform/d3d9/gl/FormatTable.h"
#include "platform/d3d9/gl/GLDevice.h"

#include <cstdio>
#include <cstring>
#include <functional>

namespace pelmora::d3d9gl {
namespace {

// Display formats a desktop can run in, with the back-buffer formats each accepts.
bool backBufferMatchesDisplay(D3DFORMAT display, D3DFORMAT backBuffer) {
    switch (display) {
        case D3DFMT_X8R8G8B8: return backBuffer == D3DFMT_X8R8G8B8 || backBuffer == D3DFMT_A8R8G8B8;
        case D3DFMT_R5G6B5: return backBuffer == D3DFMT_R5G6B5;
        case D3DFMT_X1R5G5B5: return backBuffer == D3DFMT_X1R5G5B5 || backBuffer == D3DFMT_A1R5G5B5;
        case D3DFMT_A2R10G10B10: return backBuffer == D3DFMT_A2R10G10B10;
        default: return false;
    }
}

void copyText(char* target, size_t size, const std::string& text) {
    std::snprintf(target, size, "%s", text.c_str());
}

GUID identifierFrom(const std::string& text) {
    const size_t hash = std::hash<std::string>{}(text);
    GUID guid{};
    guid.Data1 = uint32_t(hash);
    guid.Data2 = uint16_t(hash >> 32);
    guid.Data3 = uint16_t(hash >> 48);
    std::memcpy(guid.Data4, text.c_str(), std::min<size_t>(8, text.size()));
    return guid;
}

}  // namespace

HRESULT Direct3D9GL::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown) {
        *object = static_cast<IDirect3D9*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG Direct3D9GL::AddRef() { return ++references_; }

ULONG Direct3D9GL::Release() {
    if (references_ == 0) return 0;
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

const EglAdapter* Direct3D9GL::adapterFor(UINT ordinal, D3DDEVTYPE type, const char* operation) const {
    const auto& adapters = EglAdapterList::adapters();
    if (ordinal >= adapters.size()) {
        logFormat("Direct3D9: %s: no adapter %u\n", operation, ordinal);
        return nullptr;
    }
    const EglAdapter& adapter = adapters[ordinal];
    return adapter.deviceType() == type ? &adapter : nullptr;
}

UINT Direct3D9GL::GetAdapterCount() { return UINT(EglAdapterList::adapters().size()); }

HRESULT Direct3D9GL::GetAdapterIdentifier(UINT ordinal, DWORD flags, D3DADAPTER_IDENTIFIER9* identifier) {
    (void)flags;
    const auto& adapters = EglAdapterList::adapters();
    if (!identifier || ordinal >= adapters.size()) return D3DERR_INVALIDCALL;
    const EglAdapter& adapter = adapters[ordinal];
    *identifier = D3DADAPTER_IDENTIFIER9{};
    copyText(identifier->Driver, sizeof identifier->Driver,
             adapter.driverNode.empty() ? std::string("libEGL") : adapter.driverNode);
    copyText(identifier->Description, sizeof identifier->Description, adapter.renderer);
    copyText(identifier->DeviceName, sizeof identifier->DeviceName, "DISPLAY" + std::to_string(ordinal + 1));
    identifier->DeviceIdentifier = identifierFrom(adapter.renderer + adapter.version);
    return D3D_OK;
}

UINT Direct3D9GL::GetAdapterModeCount(UINT ordinal, D3DFORMAT format) {
    if (ordinal >= GetAdapterCount()) return 0;
    return format == desktopMode().Format ? 1 : 0;
}

HRESULT Direct3D9GL::EnumAdapterModes(UINT ordinal, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* result) {
    if (!result || mode >= GetAdapterModeCount(ordinal, format)) return D3DERR_INVALIDCALL;
    *result = desktopMode();
    return D3D_OK;
}

HRESULT Direct3D9GL::GetAdapterDisplayMode(UINT ordinal, D3DDISPLAYMODE* mode) {
    if (!mode || ordinal >= GetAdapterCount()) return D3DERR_INVALIDCALL;
    *mode = desktopMode();
    return D3D_OK;
}

HRESULT Direct3D9GL::CheckDeviceType(UINT ordinal, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                     D3DFORMAT backBufferFormat, BOOL windowed) {
    const EglAdapter* adapter = adapterFor(ordinal, type, "CheckDeviceType");
    if (!adapter) return D3DERR_NOTAVAILABLE;
    if (backBufferFormat == D3DFMT_UNKNOWN && windowed) backBufferFormat = adapterFormat;
    if (!backBufferMatchesDisplay(adapterFormat, backBufferFormat)) return D3DERR_NOTAVAILABLE;
    // A window shows the desktop's own format; only full screen could switch it.
    if (windowed && adapterFormat != desktopMode().Format) return D3DERR_NOTAVAILABLE;
    return (adapter->supportOf(backBufferFormat) & kFormatRenderTarget) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D9GL::CheckDeviceFormat(UINT ordinal, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                       D3DRESOURCETYPE resourceType, D3DFORMAT format) {
    (void)adapterFormat;
    const EglAdapter* adapter = adapterFor(ordinal, type, "CheckDeviceFormat");
    if (!adapter) return D3DERR_NOTAVAILABLE;
    if (resourceType != D3DRTYPE_SURFACE && resourceType != D3DRTYPE_TEXTURE) return D3DERR_NOTAVAILABLE;
    const uint8_t support = adapter->supportOf(format);
    uint8_t needed = 0;
    if (usage & D3DUSAGE_DEPTHSTENCIL) needed |= kFormatDepthStencil;
    if (usage & D3DUSAGE_RENDERTARGET) needed |= kFormatRenderTarget;
    if (usage & D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING) needed |= kFormatBlend;
    if (usage & D3DUSAGE_QUERY_FILTER) needed |= kFormatFilter;
    if (resourceType == D3DRTYPE_TEXTURE) needed |= kFormatTexture;
    if (needed == 0) needed = isDepthFormat(format) ? kFormatDepthStencil : kFormatTexture;
    return (support & needed) == needed ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D9GL::CheckDeviceMultiSampleType(UINT ordinal, D3DDEVTYPE type, D3DFORMAT format, BOOL windowed,
                                                D3DMULTISAMPLE_TYPE multiSample, DWORD* qualityLevels) {
    (void)windowed;
    const EglAdapter* adapter = adapterFor(ordinal, type, "CheckDeviceMultiSampleType");
    if (qualityLevels) *qualityLevels = 0;
    if (!adapter || !(adapter->supportOf(format) & (kFormatRenderTarget | kFormatDepthStencil)))
        return D3DERR_NOTAVAILABLE;
    // Counted sample types up to what the driver can render; the
    // non-maskable type (a quality level instead of a count) is not offered.
    if (multiSample == D3DMULTISAMPLE_NONMASKABLE || int(multiSample) > adapter->maxSamples)
        return D3DERR_NOTAVAILABLE;
    if (qualityLevels) *qualityLevels = 1;
    return D3D_OK;
}

HRESULT Direct3D9GL::CheckDepthStencilMatch(UINT ordinal, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                            D3DFORMAT renderTargetFormat, D3DFORMAT depthFormat) {
    (void)adapterFormat;
    const EglAdapter* adapter = adapterFor(ordinal, type, "CheckDepthStencilMatch");
    if (!adapter) return D3DERR_NOTAVAILABLE;
    const bool colourOk = (adapter->supportOf(renderTargetFormat) & kFormatRenderTarget) != 0;
    const bool depthOk = (adapter->supportOf(depthFormat) & kFormatDepthStencil) != 0;
    return colourOk && depthOk ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D9GL::GetDeviceCaps(UINT ordinal, D3DDEVTYPE type, D3DCAPS9* caps) {
    if (!caps) return D3DERR_INVALIDCALL;
    const EglAdapter* adapter = adapterFor(ordinal, type, "GetDeviceCaps");
    if (!adapter) return D3DERR_NOTAVAILABLE;
    *caps = capsFor(adapter->limits(), ordinal);
    return D3D_OK;
}

HRESULT Direct3D9GL::CreateDevice(UINT ordinal, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                                  D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) {
    (void)focusWindow;
    if (!device || !parameters) return D3DERR_INVALIDCALL;
    *device = nullptr;
    const EglAdapter* adapter = adapterFor(ordinal, type, "CreateDevice");
    if (!adapter) {
        logFormat("Direct3D9: CreateDevice: adapter %u offers no device of type %u\n", ordinal, unsigned(type));
        return D3DERR_NOTAVAILABLE;
    }
    return GLDevice::create(this, *adapter, ordinal, behaviour, parameters, device);
}

}  // namespace pelmora::d3d9gl

PELMORA_API IDirect3D9* Direct3DCreate9(UINT SDKVersion) {
    if (SDKVersion != D3D_SDK_VERSION) {
        pelmora::logFormat("Direct3D9: Direct3DCreate9 asked for SDK version %u, not %u\n", SDKVersion,
                           unsigned(D3D_SDK_VERSION));
        return nullptr;
    }
    return new pelmora::d3d9gl::Direct3D9GL();
}
