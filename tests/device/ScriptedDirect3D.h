// A Direct3D object whose adapters, modes, device types and format answers
// are set by the test, and which records every device creation it is asked
// for. Devices it creates are minimal: they count references and refuse
// every other call.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace pelmora::test {

template <class... Arguments>
HRESULT refuseCall(Arguments&&...) {
    return E_NOTIMPL;
}

class MinimalDevice final : public IDirect3DDevice9 {
public:
    HRESULT QueryInterface(REFIID, void** object) override {
        if (object)
            *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

#define PELMORA_MINIMAL_DEVICE_REFUSE(ret, name, params, args) \
    ret name params override { return refuseCall args; }
    PELMORA_D3D9_DEVICE_METHODS(PELMORA_MINIMAL_DEVICE_REFUSE)
#undef PELMORA_MINIMAL_DEVICE_REFUSE

private:
    ULONG references_ = 1;
};

inline D3DCAPS9 capsWith(DWORD devCaps, DWORD presentationIntervals) {
    D3DCAPS9 caps{};
    caps.DevCaps = devCaps;
    caps.PresentationIntervals = presentationIntervals;
    return caps;
}

inline constexpr DWORD kAllIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE |
                                       D3DPRESENT_INTERVAL_TWO | D3DPRESENT_INTERVAL_THREE |
                                       D3DPRESENT_INTERVAL_FOUR;

struct ScriptedAdapter {
    std::string description = "Scripted adapter";
    // Full-screen modes per format, answered by GetAdapterModeCount/EnumAdapterModes.
    std::map<D3DFORMAT, std::vector<D3DDISPLAYMODE>> modes;
    D3DDISPLAYMODE desktop{1920, 1080, 60, D3DFMT_X8R8G8B8};
    // Device types that answer GetDeviceCaps, with their capabilities.
    std::map<D3DDEVTYPE, D3DCAPS9> deviceTypes{
        {D3DDEVTYPE_HAL, capsWith(D3DDEVCAPS_HWTRANSFORMANDLIGHT, kAllIntervals)}};
    // Device types whose CheckDeviceType refuses everything.
    std::set<D3DDEVTYPE> typesRefusingCheck;
    // Back-buffer formats CheckDeviceType accepts.
    std::set<D3DFORMAT> backBufferFormats{D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8};
    // Back-buffer formats without post-pixel-shader blending.
    std::set<D3DFORMAT> noBlending;
    // Depth formats CheckDeviceFormat accepts, and those failing CheckDepthStencilMatch.
    std::set<D3DFORMAT> depthFormats{D3DFMT_D16, D3DFMT_D24S8, D3DFMT_D24X8, D3DFMT_D32};
    std::set<D3DFORMAT> depthMismatch;
    // Multisample types with their quality levels, for any surface format.
    std::map<D3DMULTISAMPLE_TYPE, DWORD> multiSample{{D3DMULTISAMPLE_NONE, 1}};
    // (depth format, multisample type) pairs CheckDeviceMultiSampleType refuses.
    std::set<std::pair<D3DFORMAT, D3DMULTISAMPLE_TYPE>> multiSampleRefused;
};

struct CreateDeviceCall {
    UINT adapter;
    D3DDEVTYPE deviceType;
    HWND focusWindow;
    DWORD behaviorFlags;
    D3DPRESENT_PARAMETERS pp;
};

class ScriptedDirect3D : public IDirect3D9 {
public:
    std::vector<ScriptedAdapter> adapters;
    HRESULT createDeviceResult = S_OK;
    std::vector<CreateDeviceCall> createCalls;

    HRESULT QueryInterface(REFIID, void** object) override {
        if (object)
            *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }

    UINT GetAdapterCount() override { return static_cast<UINT>(adapters.size()); }

    HRESULT GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER9* id) override {
        if (!valid(adapter) || !id)
            return D3DERR_INVALIDCALL;
        *id = D3DADAPTER_IDENTIFIER9{};
        std::strncpy(id->Description, adapters[adapter].description.c_str(),
                     sizeof(id->Description) - 1);
        return S_OK;
    }

    UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override {
        const std::vector<D3DDISPLAYMODE>* list = modeList(adapter, format);
        return list ? static_cast<UINT>(list->size()) : 0;
    }

    HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index,
                             D3DDISPLAYMODE* mode) override {
        const std::vector<D3DDISPLAYMODE>* list = modeList(adapter, format);
        if (!list || index >= list->size() || !mode)
            return D3DERR_INVALIDCALL;
        *mode = (*list)[index];
        return S_OK;
    }

    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override {
        if (!valid(adapter) || !mode)
            return D3DERR_INVALIDCALL;
        *mode = adapters[adapter].desktop;
        return S_OK;
    }

    HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT, D3DFORMAT backBufferFormat,
                            BOOL) override {
        if (!hasType(adapter, type) || adapters[adapter].typesRefusingCheck.count(type))
            return D3DERR_NOTAVAILABLE;
        return adapters[adapter].backBufferFormats.count(backBufferFormat) ? S_OK
                                                                           : D3DERR_NOTAVAILABLE;
    }

    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT, DWORD usage,
                              D3DRESOURCETYPE, D3DFORMAT format) override {
        if (!hasType(adapter, type))
            return D3DERR_NOTAVAILABLE;
        const ScriptedAdapter& a = adapters[adapter];
        if (usage == D3DUSAGE_DEPTHSTENCIL)
            return a.depthFormats.count(format) ? S_OK : D3DERR_NOTAVAILABLE;
        if (usage == D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING)
            return a.noBlending.count(format) ? D3DERR_NOTAVAILABLE : S_OK;
        return S_OK;
    }

    HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format, BOOL,
                                       D3DMULTISAMPLE_TYPE multiSample,
                                       DWORD* qualityLevels) override {
        if (!hasType(adapter, type))
            return D3DERR_NOTAVAILABLE;
        const ScriptedAdapter& a = adapters[adapter];
        auto entry = a.multiSample.find(multiSample);
        if (entry == a.multiSample.end() || a.multiSampleRefused.count({format, multiSample}))
            return D3DERR_NOTAVAILABLE;
        if (qualityLevels)
            *qualityLevels = entry->second;
        return S_OK;
    }

    HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT, D3DFORMAT,
                                   D3DFORMAT depthFormat) override {
        if (!hasType(adapter, type))
            return D3DERR_NOTAVAILABLE;
        return adapters[adapter].depthMismatch.count(depthFormat) ? D3DERR_NOTAVAILABLE : S_OK;
    }

    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override {
        if (!hasType(adapter, type) || !caps)
            return D3DERR_NOTAVAILABLE;
        *caps = adapters[adapter].deviceTypes.at(type);
        caps->DeviceType = type;
        caps->AdapterOrdinal = adapter;
        return S_OK;
    }

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** device) override {
        createCalls.push_back({adapter, type, focusWindow, behaviorFlags, *pp});
        if (FAILED(createDeviceResult))
            return createDeviceResult;
        *device = new MinimalDevice();
        return S_OK;
    }

private:
    bool valid(UINT adapter) const { return adapter < adapters.size(); }

    bool hasType(UINT adapter, D3DDEVTYPE type) const {
        return valid(adapter) && adapters[adapter].deviceTypes.count(type) != 0;
    }

    const std::vector<D3DDISPLAYMODE>* modeList(UINT adapter, D3DFORMAT format) const {
        if (!valid(adapter))
            return nullptr;
        auto found = adapters[adapter].modes.find(format);
        return found == adapters[adapter].modes.end() ? nullptr : &found->second;
    }
};

}  // namespace pelmora::test
