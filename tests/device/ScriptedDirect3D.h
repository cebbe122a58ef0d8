// A Direct3D object whose adapters, modes, device types and format answers
// are set by the test, and which records every device creation it is asked
// for. Devices it creates count references and refuse every other call.
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
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
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
    std::map<D3DFORMAT, std::vector<D3DDISPLAYMODE>> modes;  // full-screen modes per format
    D3DDISPLAYMODE desktop{1920, 1080, 60, D3DFMT_X8R8G8B8};
    // Device types that answer GetDeviceCaps, and those whose CheckDeviceType refuses all.
    std::map<D3DDEVTYPE, D3DCAPS9> deviceTypes{
        {D3DDEVTYPE_HAL, capsWith(D3DDEVCAPS_HWTRANSFORMANDLIGHT, kAllIntervals)}};
    std::set<D3DDEVTYPE> typesRefusingCheck;
    std::set<D3DFORMAT> backBufferFormats{D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8};
    std::set<D3DFORMAT> noBlending;  // back-buffer formats without post-pixel-shader blending
    // Depth formats CheckDeviceFormat accepts, and those failing CheckDepthStencilMatch.
    std::set<D3DFORMAT> depthFormats{D3DFMT_D16, D3DFMT_D24S8, D3DFMT_D24X8, D3DFMT_D32};
    std::set<D3DFORMAT> depthMismatch;
    // Multisample types with their quality levels, and (depth format, type) pairs refused.
    std::map<D3DMULTISAMPLE_TYPE, DWORD> multiSample{{D3DMULTISAMPLE_NONE, 1}};
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

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    UINT GetAdapterCount() override { return UINT(adapters.size()); }

    HRESULT GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER9* id) override {
        if (!valid(adapter) || !id) return D3DERR_INVALIDCALL;
        *id = D3DADAPTER_IDENTIFIER9{};
        std::strncpy(id->Description, adapters[adapter].description.c_str(), sizeof(id->Description) - 1);
        return S_OK;
    }
    UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override {
        const auto* list = modeList(adapter, format);
        return list ? UINT(list->size()) : 0;
    }
    HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index, D3DDISPLAYMODE* mode) override {
        const auto* list = modeList(adapter, format);
        if (!list || index >= list->size() || !mode) return D3DERR_INVALIDCALL;
        return *mode = (*list)[index], S_OK;
    }
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override {
        if (!valid(adapter) || !mode) return D3DERR_INVALIDCALL;
        return *mode = adapters[adapter].desktop, S_OK;
    }
    HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT, D3DFORMAT backBuffer, BOOL) override {
        return hasType(adapter, type) && !adapters[adapter].typesRefusingCheck.count(type) &&
                       adapters[adapter].backBufferFormats.count(backBuffer)
                   ? S_OK
                   : D3DERR_NOTAVAILABLE;
    }
    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT, DWORD usage, D3DRESOURCETYPE,
                              D3DFORMAT format) override {
        if (!hasType(adapter, type)) return D3DERR_NOTAVAILABLE;
        const ScriptedAdapter& a = adapters[adapter];
        bool offered = true;
        if (usage == D3DUSAGE_DEPTHSTENCIL) offered = a.depthFormats.count(format);
        if (usage == D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING) offered = !a.noBlending.count(format);
        return offered ? S_OK : D3DERR_NOTAVAILABLE;
    }
    HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format, BOOL,
                                       D3DMULTISAMPLE_TYPE multiSample, DWORD* qualityLevels) override {
        if (!hasType(adapter, type)) return D3DERR_NOTAVAILABLE;
        const ScriptedAdapter& a = adapters[adapter];
        const auto entry = a.multiSample.find(multiSample);
        if (entry == a.multiSample.end() || a.multiSampleRefused.count({format, multiSample}))
            return D3DERR_NOTAVAILABLE;
        if (qualityLevels) *qualityLevels = entry->second;
        return S_OK;
    }
    HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT, D3DFORMAT,
                                   D3DFORMAT depthFormat) override {
        return hasType(adapter, type) && !adapters[adapter].depthMismatch.count(depthFormat)
                   ? S_OK
                   : D3DERR_NOTAVAILABLE;
    }
    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override {
        if (!hasType(adapter, type) || !caps) return D3DERR_NOTAVAILABLE;
        *caps = adapters[adapter].deviceTypes.at(type);
        caps->DeviceType = type;
        caps->AdapterOrdinal = adapter;
        return S_OK;
    }
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** device) override {
        createCalls.push_back({adapter, type, focusWindow, behaviorFlags, *pp});
        if (FAILED(createDeviceResult)) return createDeviceResult;
        *device = new MinimalDevice();
        return S_OK;
    }

private:
    bool valid(UINT adapter) const { return adapter < adapters.size(); }
    bool hasType(UINT adapter, D3DDEVTYPE type) const {
        return valid(adapter) && adapters[adapter].deviceTypes.count(type) != 0;
    }
    const std::vector<D3DDISPLAYMODE>* modeList(UINT adapter, D3DFORMAT format) const {
        if (!valid(adapter)) return nullptr;
        const auto found = adapters[adapter].modes.find(format);
        return found == adapters[adapter].modes.end() ? nullptr : &found->second;
    }
};

}  // namespace pelmora::test
