// The choice of the best valid device setting for a request: the optimal
// setting is built aspect by aspect, every combination that keeps the
// preserved aspects is ranked against it, and the winner is completed into
// presentation parameters.
#include "device/DXUTEnumeration.h"
#include "device/DXUTErrors.h"
#include "device/DXUTFormatBits.h"
#include "device/DXUTRanking.h"

#include <cstdlib>
#include <limits>

namespace pelmora {

namespace {

constexpr float kNoRank = -1.0f;
constexpr UINT kFullColorBits = 8;
// Depth bits a back buffer wants per bit of colour channel.
constexpr int kDepthBitsPerColorBit = 4;

bool preserve(DXUTMatchType type) { return type == DXUTMatchType::PreserveInput; }
bool ignore(DXUTMatchType type) { return type == DXUTMatchType::IgnoreInput; }

D3DDISPLAYMODE desktopMode(IDirect3D9* d3d, UINT ordinal) {
    D3DDISPLAYMODE mode{};
    if (FAILED(d3d->GetAdapterDisplayMode(ordinal, &mode)))
        mode = D3DDISPLAYMODE{};
    return mode;
}

void optimalAdapter(IDirect3D9* d3d, const DXUTDeviceSettings& request,
                    const DXUTMatchOptions& options, DXUTDeviceSettings& optimal) {
    optimal.adapterOrdinal = ignore(options.adapterOrdinal) ? 0 : request.adapterOrdinal;
    optimal.deviceType = ignore(options.deviceType) ? D3DDEVTYPE_HAL : request.deviceType;
    optimal.pp.Windowed = ignore(options.windowed) ? TRUE : request.pp.Windowed;
    optimal.adapterFormat = ignore(options.adapterFormat) ? D3DFMT_UNKNOWN : request.adapterFormat;
    optimal.behaviorFlags = ignore(options.vertexProcessing) ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                                             : request.behaviorFlags;
    if (ignore(options.resolution)) {
        D3DDISPLAYMODE mode = desktopMode(d3d, optimal.adapterOrdinal);
        optimal.pp.BackBufferWidth = mode.Width;
        optimal.pp.BackBufferHeight = mode.Height;
    } else {
        optimal.pp.BackBufferWidth = request.pp.BackBufferWidth;
        optimal.pp.BackBufferHeight = request.pp.BackBufferHeight;
    }
}

void optimalSwapChain(const DXUTDeviceSettings& request, const DXUTMatchOptions& options,
                      DXUTDeviceSettings& optimal) {
    const D3DPRESENT_PARAMETERS& in = request.pp;
    D3DPRESENT_PARAMETERS& out = optimal.pp;
    out.BackBufferFormat =
        ignore(options.backBufferFormat) ? optimal.adapterFormat : in.BackBufferFormat;
    out.BackBufferCount = ignore(options.backBufferCount) ? 1 : in.BackBufferCount;
    out.MultiSampleType = ignore(options.multiSample) ? D3DMULTISAMPLE_NONE : in.MultiSampleType;
    out.MultiSampleQuality = ignore(options.multiSample) ? 0 : in.MultiSampleQuality;
    out.SwapEffect = ignore(options.swapEffect) ? D3DSWAPEFFECT_DISCARD : in.SwapEffect;
    if (ignore(options.depthFormat)) {
        out.EnableAutoDepthStencil = TRUE;
        out.AutoDepthStencilFormat =
            colorChannelBits(out.BackBufferFormat) < kFullColorBits ? D3DFMT_D16 : D3DFMT_D32;
    } else {
        out.EnableAutoDepthStencil = in.EnableAutoDepthStencil;
        out.AutoDepthStencilFormat = in.AutoDepthStencilFormat;
    }
    out.Flags = ignore(options.presentFlags) ? D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL : in.Flags;
    out.FullScreen_RefreshRateInHz =
        ignore(options.refreshRate) ? 0 : in.FullScreen_RefreshRateInHz;
    out.PresentationInterval =
        ignore(options.presentInterval) ? D3DPRESENT_INTERVAL_IMMEDIATE : in.PresentationInterval;
    out.hDeviceWindow = in.hDeviceWindow;
}

DXUTDeviceSettings optimalSettings(IDirect3D9* d3d, const DXUTDeviceSettings& request,
                                   const DXUTMatchOptions& options) {
    DXUTDeviceSettings optimal;
    optimalAdapter(d3d, request, options, optimal);
    optimalSwapChain(request, options, optimal);
    return optimal;
}

bool keepsDeviceAspects(const DXUTDeviceCombo& combo, const DXUTDeviceSettings& optimal,
                        const DXUTMatchOptions& options) {
    if (preserve(options.adapterOrdinal) && combo.adapterOrdinal != optimal.adapterOrdinal)
        return false;
    if (preserve(options.deviceType) && combo.deviceType != optimal.deviceType)
        return false;
    if (preserve(options.windowed) && (combo.windowed != 0) != (optimal.pp.Windowed != 0))
        return false;
    if (preserve(options.adapterFormat) && combo.adapterFormat != optimal.adapterFormat)
        return false;
    bool wantsHardware = (optimal.behaviorFlags & (D3DCREATE_HARDWARE_VERTEXPROCESSING |
                                                   D3DCREATE_MIXED_VERTEXPROCESSING)) != 0;
    return !(preserve(options.vertexProcessing) && wantsHardware &&
             !combo.deviceInfo->hasHardwareTransformAndLighting());
}

bool hasStencilBits(const DXUTDeviceCombo& combo, UINT bits) {
    for (D3DFORMAT format : combo.depthStencilFormats)
        if (stencilBits(format) == bits)
            return true;
    return false;
}

bool keepsSwapChainAspects(const DXUTDeviceCombo& combo, const DXUTDeviceSettings& optimal,
                           const DXUTMatchOptions& options) {
    const D3DPRESENT_PARAMETERS& pp = optimal.pp;
    const DXUTAdapterInfo& adapter = *combo.adapterInfo;
    // A windowed device takes any size and the desktop's refresh rate.
    if (preserve(options.resolution) && !combo.windowed &&
        !adapter.hasDisplayMode(combo.adapterFormat, pp.BackBufferWidth, pp.BackBufferHeight))
        return false;
    if (preserve(options.refreshRate) && !combo.windowed &&
        !adapter.hasRefreshRate(combo.adapterFormat, pp.FullScreen_RefreshRateInHz))
        return false;
    if (preserve(options.backBufferFormat) && combo.backBufferFormat != pp.BackBufferFormat)
        return false;
    if (preserve(options.multiSample)) {
        const DXUTDeviceCombo::MultiSample* entry = combo.findMultiSample(pp.MultiSampleType);
        if (!entry || entry->qualityLevels <= pp.MultiSampleQuality)
            return false;
    }
    if (preserve(options.depthFormat) && pp.EnableAutoDepthStencil &&
        !combo.hasDepthStencilFormat(pp.AutoDepthStencilFormat))
        return false;
    if (preserve(options.stencilFormat) && pp.EnableAutoDepthStencil &&
        !hasStencilBits(combo, stencilBits(pp.AutoDepthStencilFormat)))
        return false;
    return !(preserve(options.presentInterval) && !combo.hasPresentInterval(pp.PresentationInterval));
}

// Closest in depth to four times the colour bits, with the fewest stencil
// bits; equal costs go to the lower format value.
D3DFORMAT bestDepthStencilFormat(const DXUTDeviceCombo& combo) {
    int wanted = kDepthBitsPerColorBit * static_cast<int>(colorChannelBits(combo.backBufferFormat));
    D3DFORMAT best = D3DFMT_UNKNOWN;
    int bestCost = std::numeric_limits<int>::max();
    for (D3DFORMAT format : combo.depthStencilFormats) {
        int cost = std::abs(static_cast<int>(depthBits(format)) - wanted) +
                   static_cast<int>(stencilBits(format));
        if (cost < bestCost) {
            bestCost = cost;
            best = format;
        }
    }
    return best;
}

DXUTDeviceSettings validSettings(IDirect3D9* d3d, const DXUTDeviceCombo& combo,
                                 const DXUTDeviceSettings& optimal,
                                 const DXUTMatchOptions& options) {
    DXUTDeviceSettings valid;
    valid.adapterOrdinal = combo.adapterOrdinal;
    valid.deviceType = combo.deviceType;
    valid.adapterFormat = combo.adapterFormat;
    if (preserve(options.vertexProcessing))
        valid.behaviorFlags = optimal.behaviorFlags;
    else
        valid.behaviorFlags = combo.deviceInfo->hasHardwareTransformAndLighting()
                                  ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                  : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    D3DDISPLAYMODE mode = desktopMode(d3d, combo.adapterOrdinal);
    D3DPRESENT_PARAMETERS& pp = valid.pp;
    bool keepSize = preserve(options.resolution);
    pp.BackBufferWidth = keepSize ? optimal.pp.BackBufferWidth : mode.Width;
    pp.BackBufferHeight = keepSize ? optimal.pp.BackBufferHeight : mode.Height;
    // Windowed, an unknown back-buffer format means the desktop's.
    pp.BackBufferFormat = combo.windowed ? D3DFMT_UNKNOWN : combo.backBufferFormat;
    pp.BackBufferCount = optimal.pp.BackBufferCount;
    pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    pp.MultiSampleQuality = 0;
    pp.SwapEffect = optimal.pp.SwapEffect;
    pp.hDeviceWindow = optimal.pp.hDeviceWindow;
    pp.Windowed = combo.windowed;
    pp.EnableAutoDepthStencil = combo.depthStencilFormats.empty() ? FALSE : TRUE;
    pp.AutoDepthStencilFormat = bestDepthStencilFormat(combo);
    pp.Flags = optimal.pp.Flags;
    pp.FullScreen_RefreshRateInHz = combo.windowed ? 0 : mode.RefreshRate;
    pp.PresentationInterval = optimal.pp.PresentationInterval;
    return valid;
}

}  // namespace

HRESULT DXUTEnumeration::findValidDeviceSettings(IDirect3D9* d3d,
                                                 const DXUTDeviceSettings& request,
                                                 const DXUTMatchOptions& options,
                                                 DXUTDeviceSettings* valid) const {
    if (!d3d)
        return DXUTERR_NODIRECT3D;
    if (!valid)
        return E_POINTER;
    DXUTDeviceSettings optimal = optimalSettings(d3d, request, options);
    const DXUTDeviceCombo* best = nullptr;
    float bestRank = kNoRank;
    for (const auto& adapter : adapters_) {
        D3DDISPLAYMODE desktop{};
        if (FAILED(d3d->GetAdapterDisplayMode(adapter->adapterOrdinal, &desktop)))
            continue;
        for (const auto& device : adapter->deviceInfos)
            for (const auto& combo : device->combos) {
                // A windowed device cannot change the desktop's format.
                if (combo->windowed && combo->adapterFormat != desktop.Format)
                    continue;
                if (!keepsDeviceAspects(*combo, optimal, options) ||
                    !keepsSwapChainAspects(*combo, optimal, options))
                    continue;
                float rank = rankDeviceCombo(*combo, optimal, desktop);
                if (rank > bestRank) {
                    bestRank = rank;
                    best = combo.get();
                }
            }
    }
    if (!best)
        return DXUTERR_NOCOMPATIBLEDEVICES;
    *valid = validSettings(d3d, *best, optimal, options);
    return S_OK;
}

}  // namespace pelmora
