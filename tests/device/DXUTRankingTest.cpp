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
using test::ScriptedDirect3D;

constexpr float kTolerance = 1e-3f;
const D3DDISPLAYMODE kDesktop{1920, 1080, 60, D3DFMT_X8R8G8B8};

// One adapter with one HAL device and one windowed X8R8G8B8 combination, and
// an optimal setting that it meets in every respect.
class DXUTRankingTest : public ::testing::Test {
protected:
    DXUTAdapterInfo adapter;
    DXUTDeviceInfo device;
    DXUTDeviceCombo combo;
    DXUTDeviceSettings optimal;

    void SetUp() override {
        combo = DXUTDeviceCombo{};
        optimal = DXUTDeviceSettings{};
        adapter.displayModes = {kDesktop};
        device.deviceType = D3DDEVTYPE_HAL;
        device.caps = capsWith(D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0);
        combo.deviceType = D3DDEVTYPE_HAL;
        combo.adapterFormat = D3DFMT_X8R8G8B8;
        combo.backBufferFormat = D3DFMT_X8R8G8B8;
        combo.windowed = TRUE;
        combo.depthStencilFormats = {D3DFMT_D32};
        combo.multiSampleTypes = {{D3DMULTISAMPLE_NONE, 1}};
        combo.presentIntervals = {D3DPRESENT_INTERVAL_DEFAULT, D3DPRESENT_INTERVAL_IMMEDIATE};
        combo.adapterInfo = &adapter;
        combo.deviceInfo = &device;

        optimal.deviceType = D3DDEVTYPE_HAL;
        optimal.adapterFormat = D3DFMT_X8R8G8B8;
        optimal.behaviorFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
        optimal.pp.Windowed = TRUE;
        optimal.pp.BackBufferWidth = 1920;
        optimal.pp.BackBufferHeight = 1080;
        optimal.pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        optimal.pp.AutoDepthStencilFormat = D3DFMT_D32;
        optimal.pp.FullScreen_RefreshRateInHz = 60;
        optimal.pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    }

    float rank() const { return rankDeviceCombo(combo, optimal, kDesktop); }
};

TEST_F(DXUTRankingTest, PerfectMatchScoresEveryTerm) {
    // adapter, device type, HAL, windowed, adapter format, hardware vertex
    // processing, hardware T&L, mode size, back-buffer format, back buffer =
    // adapter format, multisample, depth, refresh rate, interval.
    EXPECT_NEAR(rank(), 1000.0f + 100.0f + 0.1f + 10.0f + 1.0f + 1.0f + 0.1f + 1.0f + 1.0f +
                            0.1f + 1.0f + 1.0f + 1.0f + 1.0f,
                kTolerance);
}

struct Mismatch {
    const char* name;
    std::function<void(DXUTDeviceCombo&, DXUTDeviceSettings&, DXUTDeviceInfo&)> apply;
    float loss;
};

TEST_F(DXUTRankingTest, EachMismatchCostsItsWeight) {
    const Mismatch mismatches[] = {
        {"adapter", [](auto&, auto& o, auto&) { o.adapterOrdinal = 1; }, 1000.0f},
        {"device type", [](auto& c, auto&, auto&) { c.deviceType = D3DDEVTYPE_SW; }, 100.1f},
        {"device type REF",
         [](auto& c, auto& o, auto&) {
             c.deviceType = D3DDEVTYPE_REF;
             o.deviceType = D3DDEVTYPE_REF;
         },
         0.1f},
        {"windowed", [](auto&, auto& o, auto&) { o.pp.Windowed = FALSE; }, 10.0f},
        // 8 against 5 bits a channel: 0.9 - 0.2 x 3 instead of 1.
        {"adapter format", [](auto&, auto& o, auto&) { o.adapterFormat = D3DFMT_R5G6B5; }, 0.7f},
        {"software vertex processing",
         [](auto&, auto& o, auto&) { o.behaviorFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING; },
         1.0f},
        {"no hardware T&L", [](auto&, auto&, auto& d) { d.caps.DevCaps = 0; }, 1.1f},
        {"mode size", [](auto&, auto& o, auto&) { o.pp.BackBufferWidth = 800; }, 1.0f},
        // 8 against 10 bits a channel.
        {"back-buffer format",
         [](auto&, auto& o, auto&) { o.pp.BackBufferFormat = D3DFMT_A2R10G10B10; }, 0.5f},
        {"back buffer differs from adapter format",
         [](auto& c, auto& o, auto&) {
             c.backBufferFormat = D3DFMT_A8R8G8B8;
             o.pp.BackBufferFormat = D3DFMT_A8R8G8B8;
         },
         0.1f},
        {"multisample quality", [](auto&, auto& o, auto&) { o.pp.MultiSampleQuality = 1; }, 1.0f},
        {"multisample type",
         [](auto&, auto& o, auto&) { o.pp.MultiSampleType = D3DMULTISAMPLE_2_SAMPLES; }, 1.0f},
        {"depth format", [](auto&, auto& o, auto&) { o.pp.AutoDepthStencilFormat = D3DFMT_D16; },
         1.0f},
        {"refresh rate", [](auto&, auto& o, auto&) { o.pp.FullScreen_RefreshRateInHz = 75; },
         1.0f},
        {"interval",
         [](auto&, auto& o, auto&) { o.pp.PresentationInterval = D3DPRESENT_INTERVAL_ONE; },
         1.0f},
    };
    float perfect = rank();
    for (const Mismatch& mismatch : mismatches) {
        SetUp();
        mismatch.apply(combo, optimal, device);
        EXPECT_NEAR(perfect - rank(), mismatch.loss, kTolerance) << mismatch.name;
    }
}

TEST_F(DXUTRankingTest, FullScreenComboEarnsTheDesktopFormatHint) {
    combo.windowed = FALSE;
    optimal.pp.Windowed = FALSE;
    float matching = rank();
    combo.adapterFormat = D3DFMT_A8R8G8B8;
    optimal.adapterFormat = D3DFMT_A8R8G8B8;
    combo.backBufferFormat = D3DFMT_A8R8G8B8;
    optimal.pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    adapter.displayModes = {{1920, 1080, 60, D3DFMT_A8R8G8B8}};
    EXPECT_NEAR(matching - rank(), 0.1f, kTolerance);
}

TEST_F(DXUTRankingTest, FullScreenOnALowColourDesktopPrefersX8R8G8B8) {
    combo.windowed = FALSE;
    optimal.pp.Windowed = FALSE;
    const D3DDISPLAYMODE lowColour{1920, 1080, 60, D3DFMT_R5G6B5};
    float x8 = rankDeviceCombo(combo, optimal, lowColour);
    EXPECT_NEAR(x8 - rankDeviceCombo(combo, optimal, kDesktop), 0.0f, kTolerance);
    combo.adapterFormat = D3DFMT_R5G6B5;
    optimal.adapterFormat = D3DFMT_R5G6B5;
    adapter.displayModes = {lowColour};
    combo.backBufferFormat = D3DFMT_R5G6B5;
    optimal.pp.BackBufferFormat = D3DFMT_R5G6B5;
    EXPECT_NEAR(x8 - rankDeviceCombo(combo, optimal, lowColour), 0.1f, kTolerance);
}

class DXUTSettingsChoiceTest : public ::testing::Test {
protected:
    ScriptedDirect3D d3d;
    DXUTEnumeration& enumeration = DXUTEnumeration::instance();

    HRESULT choose(const DXUTMatchOptions& options, DXUTDeviceSettings* valid) {
        EXPECT_EQ(enumeration.enumerate(&d3d), S_OK);
        DXUTDeviceSettings request;
        request.pp.Windowed = TRUE;
        request.pp.BackBufferCount = 1;
        return enumeration.findValidDeviceSettings(&d3d, request, options, valid);
    }
};

TEST_F(DXUTSettingsChoiceTest, HalIsPreferredOverSoftwareAndReference) {
    d3d.adapters = {ScriptedAdapter{}};
    d3d.adapters[0].deviceTypes = {{D3DDEVTYPE_REF, capsWith(0, 0)},
                                   {D3DDEVTYPE_SW, capsWith(0, 0)},
                                   {D3DDEVTYPE_HAL, capsWith(0, 0)}};
    DXUTDeviceSettings valid;
    ASSERT_EQ(choose(DXUTMatchOptions{}, &valid), S_OK);
    EXPECT_EQ(valid.deviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(valid.behaviorFlags, static_cast<DWORD>(D3DCREATE_SOFTWARE_VERTEXPROCESSING));
}

TEST_F(DXUTSettingsChoiceTest, SoftwareWinsATieWithReferenceByItsEarlierPlace) {
    d3d.adapters = {ScriptedAdapter{}};
    d3d.adapters[0].deviceTypes = {{D3DDEVTYPE_REF, capsWith(0, 0)},
                                   {D3DDEVTYPE_SW, capsWith(0, 0)}};
    DXUTDeviceSettings valid;
    ASSERT_EQ(choose(DXUTMatchOptions{}, &valid), S_OK);
    EXPECT_EQ(valid.deviceType, D3DDEVTYPE_SW);
}

TEST_F(DXUTSettingsChoiceTest, HardwareTransformAndLightingBreaksTheTie) {
    d3d.adapters = {ScriptedAdapter{}};
    d3d.adapters[0].deviceTypes = {{D3DDEVTYPE_REF, capsWith(D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0)},
                                   {D3DDEVTYPE_SW, capsWith(0, 0)}};
    DXUTDeviceSettings valid;
    ASSERT_EQ(choose(DXUTMatchOptions{}, &valid), S_OK);
    EXPECT_EQ(valid.deviceType, D3DDEVTYPE_REF);
    EXPECT_EQ(valid.behaviorFlags, static_cast<DWORD>(D3DCREATE_HARDWARE_VERTEXPROCESSING));
}

TEST_F(DXUTSettingsChoiceTest, FirstAdapterWinsWhenAdaptersAreAlike) {
    d3d.adapters = {ScriptedAdapter{}, ScriptedAdapter{}};
    DXUTMatchOptions options;
    DXUTDeviceSettings valid;
    ASSERT_EQ(choose(options, &valid), S_OK);
    EXPECT_EQ(valid.adapterOrdinal, 0u);
}

TEST_F(DXUTSettingsChoiceTest, PreservedAdapterOrdinalIsKept) {
    d3d.adapters = {ScriptedAdapter{}, ScriptedAdapter{}};
    d3d.adapters[0].deviceTypes = {{D3DDEVTYPE_SW, capsWith(0, 0)}};
    DXUTMatchOptions options;
    options.adapterOrdinal = DXUTMatchType::PreserveInput;
    DXUTDeviceSettings valid;
    ASSERT_EQ(choose(options, &valid), S_OK);
    EXPECT_EQ(valid.adapterOrdinal, 0u);
    EXPECT_EQ(valid.deviceType, D3DDEVTYPE_SW);
}

TEST_F(DXUTSettingsChoiceTest, WindowedComboNeedsTheDesktopFormat) {
    d3d.adapters = {ScriptedAdapter{}};
    d3d.adapters[0].modes[D3DFMT_A8R8G8B8] = {{800, 600, 60, D3DFMT_A8R8G8B8}};
    DXUTMatchOptions options;
    options.windowed = DXUTMatchType::PreserveInput;
    DXUTDeviceSettings valid;
    ASSERT_EQ(choose(options, &valid), S_OK);
    EXPECT_EQ(valid.adapterFormat, D3DFMT_X8R8G8B8);
    EXPECT_TRUE(valid.pp.Windowed);
}

TEST_F(DXUTSettingsChoiceTest, NoQualifyingComboIsReported) {
    d3d.adapters = {ScriptedAdapter{}};
    d3d.adapters[0].deviceTypes.clear();
    DXUTDeviceSettings valid;
    EXPECT_EQ(choose(DXUTMatchOptions{}, &valid), DXUTERR_NOCOMPATIBLEDEVICES);
}

}  // namespace
}  // namespace pelmora
