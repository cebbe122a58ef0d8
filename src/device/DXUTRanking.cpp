#include "device/DXUTRanking.h"

#include "device/DXUTAdapterInfo.h"
#include "device/DXUTFormatBits.h"

#include <algorithm>
#include <cstdlib>

namespace pelmora {

namespace {

constexpr float kAdapterWeight = 1000.0f;
constexpr float kDeviceTypeWeight = 100.0f;
constexpr float kWindowedWeight = 10.0f;
constexpr float kExactWeight = 1.0f;
constexpr float kHintWeight = 0.1f;
// A format that is not the one asked for still earns this, less a share per
// bit of channel difference.
constexpr float kNearFormatBase = 0.9f;
constexpr float kNearFormatPenaltyPerBit = 0.2f;
constexpr UINT kFullColorBits = 8;

float formatScore(D3DFORMAT format, D3DFORMAT wanted) {
    if (format == wanted)
        return kExactWeight;
    int difference = std::abs(static_cast<int>(colorChannelBits(format)) -
                              static_cast<int>(colorChannelBits(wanted)));
    return std::max(0.0f, kNearFormatBase - kNearFormatPenaltyPerBit * difference);
}

// A full-screen device best keeps the desktop's format, so the mode change is
// quick; a desktop below full colour is better left for X8R8G8B8.
bool fullScreenFormatFitsDesktop(D3DFORMAT adapterFormat, const D3DDISPLAYMODE& desktopMode) {
    if (colorChannelBits(desktopMode.Format) >= kFullColorBits)
        return adapterFormat == desktopMode.Format;
    return adapterFormat == D3DFMT_X8R8G8B8;
}

bool wantsHardwareVertexProcessing(DWORD behaviorFlags) {
    return (behaviorFlags &
            (D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING)) != 0;
}

// The terms are added one by one in a fixed order, so equal combinations get
// bit-equal scores and the first of them wins.
void addDeviceScore(float& score, const DXUTDeviceCombo& combo,
                    const DXUTDeviceSettings& optimal, const D3DDISPLAYMODE& desktopMode) {
    if (combo.adapterOrdinal == optimal.adapterOrdinal)
        score += kAdapterWeight;
    if (combo.deviceType == optimal.deviceType)
        score += kDeviceTypeWeight;
    if (combo.deviceType == D3DDEVTYPE_HAL)
        score += kHintWeight;
    if ((combo.windowed != 0) == (optimal.pp.Windowed != 0))
        score += kWindowedWeight;
    score += formatScore(combo.adapterFormat, optimal.adapterFormat);
    if (!combo.windowed && fullScreenFormatFitsDesktop(combo.adapterFormat, desktopMode))
        score += kHintWeight;
    bool hardwareTnL = combo.deviceInfo->hasHardwareTransformAndLighting();
    if (hardwareTnL && wantsHardwareVertexProcessing(optimal.behaviorFlags))
        score += kExactWeight;
    if (hardwareTnL)
        score += kHintWeight;
}

void addPresentationScore(float& score, const DXUTDeviceCombo& combo,
                          const DXUTDeviceSettings& optimal) {
    const D3DPRESENT_PARAMETERS& pp = optimal.pp;
    const DXUTAdapterInfo& adapter = *combo.adapterInfo;
    if (adapter.hasDisplayMode(combo.adapterFormat, pp.BackBufferWidth, pp.BackBufferHeight))
        score += kExactWeight;
    score += formatScore(combo.backBufferFormat, pp.BackBufferFormat);
    if (combo.backBufferFormat == combo.adapterFormat)
        score += kHintWeight;
    const DXUTDeviceCombo::MultiSample* multiSample = combo.findMultiSample(pp.MultiSampleType);
    if (multiSample && multiSample->qualityLevels > pp.MultiSampleQuality)
        score += kExactWeight;
    if (combo.hasDepthStencilFormat(pp.AutoDepthStencilFormat))
        score += kExactWeight;
    if (adapter.hasRefreshRate(combo.adapterFormat, pp.FullScreen_RefreshRateInHz))
        score += kExactWeight;
    if (combo.hasPresentInterval(pp.PresentationInterval))
        score += kExactWeight;
}

}  // namespace

float rankDeviceCombo(const DXUTDeviceCombo& combo, const DXUTDeviceSettings& optimal,
                      const D3DDISPLAYMODE& desktopMode) {
    float score = 0.0f;
    addDeviceScore(score, combo, optimal, desktopMode);
    addPresentationScore(score, combo, optimal);
    return score;
}

}  // namespace pelmora
