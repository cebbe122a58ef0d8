#include "device/DXUTEnumeration.h"

#include "device/DXUTErrors.h"
#include "core/StringConversion.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <strings.h>
#include <tuple>

namespace pelmora {

namespace {

// The catalogue's fixed configuration; nothing changes it after start.
constexpr D3DFORMAT kAllowedAdapterFormats[] = {D3DFMT_A8R8G8B8, D3DFMT_A8B8G8R8,
                                                D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5};
constexpr D3DFORMAT kBackBufferFormats[] = {D3DFMT_A8R8G8B8,    D3DFMT_X8R8G8B8,
                                            D3DFMT_A2R10G10B10, D3DFMT_R5G6B5,
                                            D3DFMT_A1R5G5B5,    D3DFMT_X1R5G5B5};
constexpr D3DDEVTYPE kDeviceTypes[] = {D3DDEVTYPE_HAL, D3DDEVTYPE_SW, D3DDEVTYPE_REF};
constexpr D3DFORMAT kDepthStencilFormats[] = {D3DFMT_D16,  D3DFMT_D15S1,   D3DFMT_D24X8,
                                              D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D32};
constexpr DWORD kLastMultiSampleType = D3DMULTISAMPLE_16_SAMPLES;
constexpr UINT kPresentIntervals[] = {D3DPRESENT_INTERVAL_IMMEDIATE, D3DPRESENT_INTERVAL_DEFAULT,
                                      D3DPRESENT_INTERVAL_ONE,       D3DPRESENT_INTERVAL_TWO,
                                      D3DPRESENT_INTERVAL_THREE,     D3DPRESENT_INTERVAL_FOUR};
constexpr UINT kMinWidth = 0, kMaxWidth = 0xFFFFFFFF;
constexpr UINT kMinHeight = 0, kMaxHeight = 0xFFFFFFFF;
constexpr UINT kMinRefreshRate = 0, kMaxRefreshRate = 0xFFFFFFFF;
constexpr DWORD kMultiSampleQualityLimit = 0xFFFF;
constexpr bool kRequirePostPixelShaderBlending = true;
constexpr char kUniqueSuffixFormat[] = " (#%d)";

bool inRange(UINT value, UINT low, UINT high) { return value >= low && value <= high; }

bool modeWithinLimits(const D3DDISPLAYMODE& mode) {
    return inRange(mode.Width, kMinWidth, kMaxWidth) &&
           inRange(mode.Height, kMinHeight, kMaxHeight) &&
           inRange(mode.RefreshRate, kMinRefreshRate, kMaxRefreshRate);
}

bool modeLess(const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) {
    return std::tie(a.Width, a.Height, a.Format, a.RefreshRate) <
           std::tie(b.Width, b.Height, b.Format, b.RefreshRate);
}

void addFormatOnce(std::vector<D3DFORMAT>& formats, D3DFORMAT format) {
    if (std::find(formats.begin(), formats.end(), format) == formats.end())
        formats.push_back(format);
}

// Windowed swap chains cannot wait for more than one retrace.
bool intervalAllowedWindowed(UINT interval) {
    return interval != D3DPRESENT_INTERVAL_TWO && interval != D3DPRESENT_INTERVAL_THREE &&
           interval != D3DPRESENT_INTERVAL_FOUR;
}

std::u16string wideFromNarrow(const char* text) {
    BSTR wide = bstrFromNarrow(text);
    if (!wide)
        throw std::bad_alloc();
    std::u16string result(wide, SysStringLen(wide));
    SysFreeString(wide);
    return result;
}

}  // namespace

DXUTEnumeration& DXUTEnumeration::instance() {
    static DXUTEnumeration enumeration;
    return enumeration;
}

HRESULT DXUTEnumeration::enumerate(IDirect3D9* d3d, AcceptanceCallback accept) {
    if (!d3d)
        return DXUTERR_NODIRECT3D;
    adapters_.clear();
    accept_ = std::move(accept);
    try {
        UINT count = d3d->GetAdapterCount();
        for (UINT ordinal = 0; ordinal < count; ++ordinal) {
            std::unique_ptr<DXUTAdapterInfo> adapter = enumerateAdapter(d3d, ordinal);
            if (adapter)
                adapters_.push_back(std::move(adapter));
        }
        assignUniqueDescriptions();
    } catch (const std::bad_alloc&) {
        adapters_.clear();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

std::unique_ptr<DXUTAdapterInfo> DXUTEnumeration::enumerateAdapter(IDirect3D9* d3d,
                                                                    UINT ordinal) const {
    auto adapter = std::make_unique<DXUTAdapterInfo>();
    adapter->adapterOrdinal = ordinal;
    if (FAILED(d3d->GetAdapterIdentifier(ordinal, 0, &adapter->identifier)))
        return nullptr;
    // The identifier comes from outside; never trust it to be terminated.
    adapter->identifier.Description[sizeof(adapter->identifier.Description) - 1] = '\0';
    enumerateDisplayModes(d3d, *adapter);
    enumerateDevices(d3d, *adapter);
    if (adapter->deviceInfos.empty())
        return nullptr;
    return adapter;
}

void DXUTEnumeration::enumerateDisplayModes(IDirect3D9* d3d, DXUTAdapterInfo& adapter) const {
    for (D3DFORMAT format : kAllowedAdapterFormats) {
        UINT modeCount = d3d->GetAdapterModeCount(adapter.adapterOrdinal, format);
        for (UINT index = 0; index < modeCount; ++index) {
            D3DDISPLAYMODE mode{};
            if (FAILED(d3d->EnumAdapterModes(adapter.adapterOrdinal, format, index, &mode)) ||
                !modeWithinLimits(mode))
                continue;
            adapter.displayModes.push_back(mode);
            addFormatOnce(adapter.adapterFormats, mode.Format);
        }
    }
    // The desktop may run in a format no full-screen mode uses; windowed
    // devices still need it.
    D3DDISPLAYMODE desktop{};
    if (SUCCEEDED(d3d->GetAdapterDisplayMode(adapter.adapterOrdinal, &desktop)))
        addFormatOnce(adapter.adapterFormats, desktop.Format);
    std::sort(adapter.displayModes.begin(), adapter.displayModes.end(), modeLess);
}

void DXUTEnumeration::enumerateDevices(IDirect3D9* d3d, DXUTAdapterInfo& adapter) const {
    for (D3DDEVTYPE type : kDeviceTypes) {
        auto device = std::make_unique<DXUTDeviceInfo>();
        device->adapterOrdinal = adapter.adapterOrdinal;
        device->deviceType = type;
        if (FAILED(d3d->GetDeviceCaps(adapter.adapterOrdinal, type, &device->caps)))
            continue;
        enumerateCombos(d3d, adapter, *device);
        if (!device->combos.empty())
            adapter.deviceInfos.push_back(std::move(device));
    }
}

void DXUTEnumeration::enumerateCombos(IDirect3D9* d3d, const DXUTAdapterInfo& adapter,
                                      DXUTDeviceInfo& device) const {
    for (D3DFORMAT adapterFormat : adapter.adapterFormats)
        for (D3DFORMAT backBufferFormat : kBackBufferFormats)
            for (BOOL windowed : {FALSE, TRUE}) {
                if (!windowed && adapter.displayModes.empty())
                    continue;
                std::unique_ptr<DXUTDeviceCombo> combo =
                    makeCombo(d3d, adapter, device, adapterFormat, backBufferFormat, windowed);
                if (combo)
                    device.combos.push_back(std::move(combo));
            }
}

std::unique_ptr<DXUTDeviceCombo> DXUTEnumeration::makeCombo(
    IDirect3D9* d3d, const DXUTAdapterInfo& adapter, const DXUTDeviceInfo& device,
    D3DFORMAT adapterFormat, D3DFORMAT backBufferFormat, BOOL windowed) const {
    auto combo = std::make_unique<DXUTDeviceCombo>();
    combo->adapterOrdinal = adapter.adapterOrdinal;
    combo->deviceType = device.deviceType;
    combo->adapterFormat = adapterFormat;
    combo->backBufferFormat = backBufferFormat;
    combo->windowed = windowed;
    combo->adapterInfo = &adapter;
    combo->deviceInfo = &device;
    if (!comboIsAccepted(d3d, device, *combo))
        return nullptr;
    addDepthStencilFormats(d3d, *combo);
    addMultiSampleTypes(d3d, *combo);
    if (combo->multiSampleTypes.empty())
        return nullptr;
    addConflicts(d3d, *combo);
    addPresentIntervals(device, *combo);
    return combo;
}

bool DXUTEnumeration::comboIsAccepted(IDirect3D9* d3d, const DXUTDeviceInfo& device,
                                      const DXUTDeviceCombo& combo) const {
    if (FAILED(d3d->CheckDeviceType(combo.adapterOrdinal, combo.deviceType, combo.adapterFormat,
                                    combo.backBufferFormat, combo.windowed)))
        return false;
    if (kRequirePostPixelShaderBlending &&
        FAILED(d3d->CheckDeviceFormat(combo.adapterOrdinal, combo.deviceType, combo.adapterFormat,
                                      D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING, D3DRTYPE_TEXTURE,
                                      combo.backBufferFormat)))
        return false;
    return !accept_ ||
           accept_(device.caps, combo.adapterFormat, combo.backBufferFormat, combo.windowed != 0);
}

void DXUTEnumeration::addDepthStencilFormats(IDirect3D9* d3d, DXUTDeviceCombo& combo) const {
    for (D3DFORMAT format : kDepthStencilFormats) {
        if (SUCCEEDED(d3d->CheckDeviceFormat(combo.adapterOrdinal, combo.deviceType,
                                             combo.adapterFormat, D3DUSAGE_DEPTHSTENCIL,
                                             D3DRTYPE_SURFACE, format)) &&
            SUCCEEDED(d3d->CheckDepthStencilMatch(combo.adapterOrdinal, combo.deviceType,
                                                  combo.adapterFormat, combo.backBufferFormat,
                                                  format)))
            combo.depthStencilFormats.insert(format);
    }
}

void DXUTEnumeration::addMultiSampleTypes(IDirect3D9* d3d, DXUTDeviceCombo& combo) const {
    for (DWORD value = D3DMULTISAMPLE_NONE; value <= kLastMultiSampleType; ++value) {
        auto type = static_cast<D3DMULTISAMPLE_TYPE>(value);
        DWORD qualityLevels = 0;
        if (FAILED(d3d->CheckDeviceMultiSampleType(combo.adapterOrdinal, combo.deviceType,
                                                   combo.backBufferFormat, combo.windowed, type,
                                                   &qualityLevels)))
            continue;
        qualityLevels = std::min(qualityLevels, kMultiSampleQualityLimit + 1);
        combo.multiSampleTypes.push_back({type, qualityLevels});
    }
}

void DXUTEnumeration::addConflicts(IDirect3D9* d3d, DXUTDeviceCombo& combo) const {
    for (D3DFORMAT format : combo.depthStencilFormats)
        for (const DXUTDeviceCombo::MultiSample& multiSample : combo.multiSampleTypes)
            if (FAILED(d3d->CheckDeviceMultiSampleType(combo.adapterOrdinal, combo.deviceType,
                                                       format, combo.windowed, multiSample.type,
                                                       nullptr)))
                combo.conflicts.push_back({format, multiSample.type});
}

void DXUTEnumeration::addPresentIntervals(const DXUTDeviceInfo& device,
                                          DXUTDeviceCombo& combo) const {
    for (UINT interval : kPresentIntervals) {
        if (combo.windowed && !intervalAllowedWindowed(interval))
            continue;
        if (interval == D3DPRESENT_INTERVAL_DEFAULT ||
            (device.caps.PresentationIntervals & interval) != 0)
            combo.presentIntervals.push_back(interval);
    }
}

void DXUTEnumeration::assignUniqueDescriptions() {
    bool shared = false;
    for (size_t i = 0; i < adapters_.size() && !shared; ++i)
        for (size_t j = i + 1; j < adapters_.size() && !shared; ++j)
            shared = strcasecmp(adapters_[i]->identifier.Description,
                                adapters_[j]->identifier.Description) == 0;
    for (auto& adapter : adapters_) {
        std::u16string description = wideFromNarrow(adapter->identifier.Description);
        if (description.size() > DXUTAdapterInfo::kMaxDescriptionLength)
            description.resize(DXUTAdapterInfo::kMaxDescriptionLength);
        if (shared) {
            char suffix[32];
            std::snprintf(suffix, sizeof(suffix), kUniqueSuffixFormat,
                          static_cast<int>(adapter->adapterOrdinal));
            description += wideFromNarrow(suffix);
        }
        adapter->uniqueDescription = std::move(description);
    }
}

const DXUTAdapterInfo* DXUTEnumeration::adapterInfo(UINT ordinal) const {
    for (const auto& adapter : adapters_)
        if (adapter->adapterOrdinal == ordinal)
            return adapter.get();
    return nullptr;
}

const DXUTDeviceInfo* DXUTEnumeration::deviceInfo(UINT ordinal, D3DDEVTYPE type) const {
    const DXUTAdapterInfo* adapter = adapterInfo(ordinal);
    return adapter ? adapter->findDeviceInfo(type) : nullptr;
}

const DXUTDeviceCombo* DXUTEnumeration::deviceCombo(UINT ordinal, D3DDEVTYPE type,
                                                    D3DFORMAT adapterFormat,
                                                    D3DFORMAT backBufferFormat,
                                                    BOOL windowed) const {
    const DXUTDeviceInfo* device = deviceInfo(ordinal, type);
    if (!device)
        return nullptr;
    for (const auto& combo : device->combos)
        if (combo->adapterFormat == adapterFormat && combo->backBufferFormat == backBufferFormat &&
            (combo->windowed != 0) == (windowed != 0))
            return combo.get();
    return nullptr;
}

}  // namespace pelmora
