#include "device/DXUTRanking.h"

#include "device/DXUTAdapterInfo.h"
#include "device/DXUTEnumeration.h"
#include "device/DXUTErrors.h"
#include "device/ScriptedDirect3D.h"

#include <gtest/gtest.h>

#include <functional>

namespace pelmora {
namespace {

using test::capsWith;
using test::ScriptedAdapter;

constexpr float kTolerance = 1e-3f;
const D3DDISPLAYMODE kDesktop{1920, 1080, 60, D3DFMT_X8R8G8B8};

// One adapter with one HAL device and one windowed X8R8G8B8 combination, and
// an optimal setting that it meets in every respect.
class DXUTRankingTest : public ::testing::Test {
public:  // the mismatch table edits the fixture
    void SetUp() override {
        adapter.displayModes = {kDesktop};
        device.deviceType = D3DDEVTYPE_HAL;
        device.caps = capsWith(D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0);
        combo = DXUTDeviceCombo{};
        combo.deviceType = D3DDEVTYPE_HAL;
        combo.adapterFormat = combo.backBufferFormat = D3DFMT_X8R8G8B8;
        combo.windowed = TRUE;
        combo.depthStencilFormats = {D3DFMT_D32};
        combo.multiSampleTypes = {{D3DMULTISAMPLE_NONE, 1}};
        combo.presentIntervals = {D3DPRESENT_INTERVAL_DEFAULT, D3DPRESENT_INTERVAL_IMMEDIATE};
        combo.adapterInfo = &adapter;
        combo.deviceInfo = &device;
        optimal = DXUTDeviceSettings{};
        optimal.deviceType = D3DDEVTYPE_HAL;
        optimal.adapterFormat = optimal.pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        optimal.behaviorFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
        optimal.pp.Windowed = TRUE;
        optimal.pp.BackBufferWidth = 1920;
        optimal.pp.BackBufferHeight = 1080;
        optimal.pp.AutoDepthStencilFormat = D3DFMT_D32;
        optimal.pp.FullScreen_RefreshRateInHz = 60;
        optimal.pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    }
    float rank(const D3DDISPLAYMODE& desktop = kDesktop) const {
        return rankDeviceCombo(combo, optimal, desktop);
    }
    // A full-screen combination and request in one format throughout.
    void fullScreenIn(D3DFORMAT format) {
        combo.windowed = optimal.pp.Windowed = FALSE;
        combo.adapterFormat = combo.backBufferFormat = format;
        optimal.adapterFormat = optimal.pp.BackBufferFormat = format;
        adapter.displayModes = {{1920, 1080, 60, format}};
    }

    DXUTAdapterInfo adapter;
    DXUTDeviceInfo device;
    DXUTDeviceCombo combo;
    DXUTDeviceSettings optimal;
};

TEST_F(DXUTRankingTest, PerfectMatchScoresEveryTermAndEachMismatchCostsItsWeight) {
    // adapter, device type, HAL, windowed, adapter format, hardware vertex
    // processing, hardware T&L, mode size, back-buffer format, back buffer =
    // adapter format, multisample, depth, refresh rate, interval.
    const float perfect = rank();
    EXPECT_NEAR(perfect, 1000 + 100 + 0.1f + 10 + 1 + 1 + 0.1f + 1 + 1 + 0.1f + 1 + 1 + 1 + 1, kTolerance);
    struct Mismatch {
        const char* name;
        std::function<void(DXUTRankingTest&)> apply;
        float loss;
    };
    const Mismatch mismatches[] = {
        {"adapter", [](auto& t) { t.optimal.adapterOrdinal = 1; }, 1000.0f},
        {"device type", [](auto& t) { t.combo.deviceType = D3DDEVTYPE_SW; }, 100.1f},
        {"device type REF", [](auto& t) { t.combo.deviceType = t.optimal.deviceType = D3DDEVTYPE_REF; }, 0.1f},
        {"windowed", [](auto& t) { t.optimal.pp.Windowed = FALSE; }, 10.0f},
        // 8 against 5 bits a channel: 0.9 - 0.2 x 3 instead of 1.
        {"adapter format", [](auto& t) { t.optimal.adapterFormat = D3DFMT_R5G6B5; }, 0.7f},
        {"software vertex processing",
         [](auto& t) { t.optimal.behaviorFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING; }, 1.0f},
        {"no hardware T&L", [](auto& t) { t.device.caps.DevCaps = 0; }, 1.1f},
        {"mode size", [](auto& t) { t.optimal.pp.BackBufferWidth = 800; }, 1.0f},
        // 8 against 10 bits a channel.
        {"back-buffer format", [](auto& t) { t.optimal.pp.BackBufferFormat = D3DFMT_A2R10G10B10; }, 0.5f},
        {"back buffer differs from adapter format",
         [](auto& t) { t.combo.backBufferFormat = t.optimal.pp.BackBufferFormat = D3DFMT_A8R8G8B8; }, 0.1f},
        {"multisample quality", [](auto& t) { t.optimal.pp.MultiSampleQuality = 1; }, 1.0f},
        {"multisample type", [](auto& t) { t.optimal.pp.MultiSampleType = D3DMULTISAMPLE_2_SAMPLES; }, 1.0f},
        {"depth format", [](auto& t) { t.optimal.pp.AutoDepthStencilFormat = D3DFMT_D16; }, 1.0f},
        {"refresh rate", [](auto& t) { t.optimal.pp.FullScreen_RefreshRateInHz = 75; }, 1.0f},
        {"interval", [](auto& t) { t.optimal.pp.PresentationInterval = D3DPRESENT_INTERVAL_ONE; }, 1.0f},
    };
    for (const Mismatch& mismatch : mismatches) {
        SetUp();
        mismatch.apply(*this);
        EXPECT_NEAR(perfect - rank(), mismatch.loss, kTolerance) << mismatch.name;
    }
}

TEST_F(DXUTRankingTest, FullScreenEarnsTheDesktopFormatHintAndPrefersX8R8G8B8OnALowColourDesktop) {
    fullScreenIn(D3DFMT_X8R8G8B8);
    const float x8 = rank();
    const D3DDISPLAYMODE lowColour{1920, 1080, 60, D3DFMT_R5G6B5};
    EXPECT_NEAR(rank(lowColour), x8, kTolerance);
    fullScreenIn(D3DFMT_A8R8G8B8);
    EXPECT_NEAR(x8 - rank(), 0.1f, kTolerance);
    fullScreenIn(D3DFMT_R5G6B5);
    EXPECT_NEAR(x8 - rank(lowColour), 0.1f, kTolerance);
}

class DXUTSettingsChoiceTest : public ::testing::Test {
protected:
    DXUTDeviceSettings choose(const DXUTMatchOptions& options = {}, HRESULT expected = S_OK) {
        EXPECT_EQ(enumeration.enumerate(&d3d), S_OK);
        DXUTDeviceSettings request, valid;
        request.pp.Windowed = TRUE;
        request.pp.BackBufferCount = 1;
        EXPECT_EQ(enumeration.findValidDeviceSettings(&d3d, request, options, &valid), expected);
        return valid;
    }

    test::ScriptedDirect3D d3d;
    DXUTEnumeration& enumeration = DXUTEnumeration::instance();
};

TEST_F(DXUTSettingsChoiceTest, HalIsPreferredThenHardwareTransformAndLightingThenEarlierPlace) {
    const D3DCAPS9 plain = capsWith(0, 0), hwtl = capsWith(D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0);
    struct Case {
        std::map<D3DDEVTYPE, D3DCAPS9> types;
        D3DDEVTYPE chosen;
        DWORD behavior;
    };
    const Case cases[] = {
        {{{D3DDEVTYPE_REF, plain}, {D3DDEVTYPE_SW, plain}, {D3DDEVTYPE_HAL, plain}},
         D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING},
        {{{D3DDEVTYPE_REF, plain}, {D3DDEVTYPE_SW, plain}}, D3DDEVTYPE_SW, D3DCREATE_SOFTWARE_VERTEXPROCESSING},
        {{{D3DDEVTYPE_REF, hwtl}, {D3DDEVTYPE_SW, plain}}, D3DDEVTYPE_REF, D3DCREATE_HARDWARE_VERTEXPROCESSING},
    };
    for (const Case& c : cases) {
        d3d.adapters = {ScriptedAdapter{}};
        d3d.adapters[0].deviceTypes = c.types;
        const DXUTDeviceSettings valid = choose();
        EXPECT_EQ(valid.deviceType, c.chosen);
        EXPECT_EQ(valid.behaviorFlags, c.behavior);
    }
}

TEST_F(DXUTSettingsChoiceTest, AdapterChoice) {
    d3d.adapters = {ScriptedAdapter{}, ScriptedAdapter{}};
    EXPECT_EQ(choose().adapterOrdinal, 0u) << "the first of two alike";
    d3d.adapters[0].deviceTypes = {{D3DDEVTYPE_SW, capsWith(0, 0)}};
    DXUTMatchOptions preserve;
    preserve.adapterOrdinal = DXUTMatchType::PreserveInput;
    const DXUTDeviceSettings kept = choose(preserve);
    EXPECT_EQ(kept.adapterOrdinal, 0u);
    EXPECT_EQ(kept.deviceType, D3DDEVTYPE_SW);
}

TEST_F(DXUTSettingsChoiceTest, WindowedComboNeedsTheDesktopFormatAndNoComboIsReported) {
    d3d.adapters = {ScriptedAdapter{}};
    d3d.adapters[0].modes[D3DFMT_A8R8G8B8] = {{800, 600, 60, D3DFMT_A8R8G8B8}};
    DXUTMatchOptions options;
    options.windowed = DXUTMatchType::PreserveInput;
    const DXUTDeviceSettings valid = choose(options);
    EXPECT_EQ(valid.adapterFormat, D3DFMT_X8R8G8B8);
    EXPECT_TRUE(valid.pp.Windowed);
    d3d.adapters[0].deviceTypes.clear();
    choose({}, DXUTERR_NOCOMPATIBLEDEVICES);
}

}  // namespace
}  // namespace pelmora
