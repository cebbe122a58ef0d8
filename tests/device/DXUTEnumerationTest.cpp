#include "device/DXUTEnumeration.h"
#include "device/DXUTErrors.h"
#include "device/ScriptedDirect3D.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelmora {
namespace {

using test::capsWith;
using test::ScriptedAdapter;
using test::ScriptedDirect3D;

std::u16string wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

D3DDISPLAYMODE mode(UINT width, UINT height, UINT refresh, D3DFORMAT format) {
    return D3DDISPLAYMODE{width, height, refresh, format};
}

class DXUTEnumerationTest : public ::testing::Test {
protected:
    DXUTEnumeration& enumeration = DXUTEnumeration::instance();
    ScriptedDirect3D d3d;

    const DXUTDeviceCombo* windowedCombo(UINT ordinal = 0,
                                         D3DFORMAT backBuffer = D3DFMT_X8R8G8B8) const {
        return enumeration.deviceCombo(ordinal, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, backBuffer, TRUE);
    }

    std::vector<std::u16string> names() const {
        std::vector<std::u16string> result;
        for (const auto& adapter : enumeration.adapters())
            result.push_back(adapter->uniqueDescription);
        return result;
    }
};

TEST_F(DXUTEnumerationTest, MissingDirect3DIsReported) {
    EXPECT_EQ(enumeration.enumerate(nullptr), DXUTERR_NODIRECT3D);
}

TEST_F(DXUTEnumerationTest, SingleAdapterIsNamedByItsDescriptionAlone) {
    d3d.adapters = {ScriptedAdapter{}};
    d3d.adapters[0].description = "llvmpipe (LLVM 15.0.6, 256 bits)";
    ASSERT_EQ(enumeration.enumerate(&d3d), S_OK);
    EXPECT_EQ(names(), std::vector<std::u16string>{wide("llvmpipe (LLVM 15.0.6, 256 bits)")});
}

TEST_F(DXUTEnumerationTest, DescriptionsEqualIgnoringCaseGetTheOrdinalSuffix) {
    d3d.adapters = {ScriptedAdapter{}, ScriptedAdapter{}, ScriptedAdapter{}};
    d3d.adapters[0].description = "Radeon Graphics";
    d3d.adapters[1].description = "RADEON graphics";
    d3d.adapters[2].description = "llvmpipe";
    ASSERT_EQ(enumeration.enumerate(&d3d), S_OK);
    EXPECT_EQ(names(), (std::vector<std::u16string>{wide("Radeon Graphics (#0)"),
                                                     wide("RADEON graphics (#1)"),
                                                     wide("llvmpipe (#2)")}));
}

TEST_F(DXUTEnumerationTest, LongDescriptionIsCutBeforeTheSuffix) {
    d3d.adapters = {ScriptedAdapter{}, ScriptedAdapter{}};
    d3d.adapters[0].description = std::string(150, 'x');
    d3d.adapters[1].description = std::string(150, 'X');
    ASSERT_EQ(enumeration.enumerate(&d3d), S_OK);
    EXPECT_EQ(names()[1], wide(std::string(100, 'X') + " (#1)"));
}

TEST_F(DXUTEnumerationTest, AdapterWithoutUsableDeviceTypeIsLeftOut) {
    d3d.adapters = {ScriptedAdapter{}, ScriptedAdapter{}, ScriptedAdapter{}};
    d3d.adapters[0].description = "Same";
    d3d.adapters[1].description = "Same";
    d3d.adapters[1].deviceTypes.clear();
    d3d.adapters[2].description = "Refusing";
    d3d.adapters[2].typesRefusingCheck = {D3DDEVTYPE_HAL};
    ASSERT_EQ(enumeration.enumerate(&d3d), S_OK);
    // The one left has no namesake any more, so it needs no suffix.
    EXPECT_EQ(names(), std::vector<std::u16string>{wide("Same")});
    EXPECT_EQ(enumeration.adapterInfo(1), nullptr);
    EXPECT_EQ(enumeration.adapterInfo(2), nullptr);
}

TEST_F(DXUTEnumerationTest, EnumeratingAgainReplacesTheCatalogue) {
    d3d.adapters = {ScriptedAdapter{}, ScriptedAdapter{}};
    ASSERT_EQ(enumeration.enumerate(&d3d), S_OK);
    ASSERT_EQ(enumeration.adapters().size(), 2u);
    d3d.adapters.resize(1);
    ASSERT_EQ(enumeration.enumerate(&d3d), S_OK);
    EXPECT_EQ(enumeration.adapters().size(), 1u);
    EXPECT_EQ(enumeration.adapterInfo(1), nullptr);
}

TEST_F(DXUTEnumerationTest, DesktopFormatOutsideTheAllowedListGivesWindowedCombos) {
    d3d.adapters = {ScriptedAdapter{}};
    ASSERT_EQ(enumeration.enumerate(&d3d), S_OK);
    const DXUTAdapterInfo* adapter = enumeration.adapterInfo(0);
    ASSERT_NE(adapter, nullptr);
    EXPECT_EQ(adapter->adapterFormats, std::vector<D3DFORMAT>{D3DFMT_X8R8G8B8});
    EXPECT_NE(windowedCombo(), nullptr);
    // Without any full-screen mode there is no full-screen combination.
    EXPECT_EQ(enumeration.deviceCombo(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE),
              nullptr);
}

TEST_F(DXUTEnumerationTest, DisplayModesOfAllowedFormatsAreKeptSorted) {
    d3d.adapters = {ScriptedAdapter{}};
    d3d.adapters[0].modes[D3DFMT_A8R8G8B8] = {mode(1024, 768, 75, D3DFMT_A8R8G8B8),
                                              mode(640, 480, 60, D3DFMT_A8R8G8B8)};
    d3d.adapters[0].modes[D3DFMT_A1R5G5B5] = {mode(640, 480, 60, D3DFMT_A1R5G5B5)};
    d3d.adapters[0].modes[D3DFMT_X8R8G8B8] = {mode(800, 600, 60, D3DFMT_X8R8G8B8)};
    ASSERT_EQ(enumeration.enumerate(&d3d), S_OK);
    const DXUTAdapterInfo* adapter = enumeration.adapterInfo(0);
    ASSERT_NE(adapter, nullptr);
    ASSERT_EQ(adapter->displayModes.size(), 3u);
    EXPECT_EQ(adapter->displayModes[0].Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(adapter->displayModes[1].Format, D3DFMT_A1R5G5B5);
    EXPECT_EQ(adapter->displayModes[2].Width, 1024u);
    EXPECT_EQ(adapter->adapterFormats,
              (std::vector<D3DFORMAT>{D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_X8R8G8B8}));
    EXPECT_NE(enumeration.deviceCombo(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, FALSE),
              nullptr);
}

TEST_F(DXUTEnumerationTest, DepthFormatsComeOutInNumericOrder) {
    d3d.adapters = {ScriptedAdapter{}};
    d3d.adapters[0].depthFormats = {D3DFMT_D16,  D3DFMT_D15S1,   D3DFMT_D24X8,
                                    D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D32};
    ASSERT_EQ(enumeration.enumerate(&d3d), S_OK);
    const DXUTDeviceCombo* combo = windowedCombo();
    ASSERT_NE(combo, nullptr);
    std::vector<D3DFORMAT> order(combo->depthStencilFormats.begin(),
                                 combo->depthStencilFormats.end());
    EXPECT_EQ(order, (std::vector<D3DFORMAT>{D3DFMT_D32, D3DFMT_D15S1, D3DFMT_D24S8, D3DFMT_D24X8,
                                             D3DFMT_D24X4S4, D3DFMT_D16}));
}

TEST_F(DXUTEnumerationTest, DepthFormatNotMatchingTheBackBufferIsLeftOut) {
    d3d.adapters = {ScriptedAdapter{}};
    d3d.adapters[0].depthFormats = {D3DFMT_D16, D3DFMT_D32};
    d3d.adapters[0].depthMismatch = {D3DFMT_D32};
    ASSERT_EQ(enumeration.enumerate(&d3d), S_OK);
    ASSERT_NE(windowedCombo(), nullptr);
    EXPECT_EQ(windowedCombo()->depthStencilFormats, std::set<D3DFORMAT>{D3DFMT_D16});
}

TEST_F(DXUTEnumerationTest, BackBufferFormatWithoutBlendingHasNoCombo) {
    d3d.adapters = {ScriptedAdapter{}};
    d3d.adapters[0].noBlending = {D3DFMT_A8R8G8B8};
    ASSERT_EQ(enumeration.enumerate(&d3d), S_OK);
    EXPECT_EQ(windowedCombo(0, D3DFMT_A8R8G8B8), nullptr);
    EXPECT_NE(windowedCombo(0, D3DFMT_X8R8G8B8), nullptr);
}

TEST_F(DXUTEnumerationTest, AcceptanceCallbackCanRefuseCombos) {
    d3d.adapters = {ScriptedAdapter{}};
    std::vector<D3DFORMAT> asked;
    auto accept = [&](const D3DCAPS9&, D3DFORMAT, D3DFORMAT backBuffer, bool windowed) {
        EXPECT_TRUE(windowed);
        asked.push_back(backBuffer);
        return backBuffer == D3DFMT_A8R8G8B8;
    };
    ASSERT_EQ(enumeration.enumerate(&d3d, accept), S_OK);
    EXPECT_EQ(asked, (std::vector<D3DFORMAT>{D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}));
    EXPECT_NE(windowedCombo(0, D3DFMT_A8R8G8B8), nullptr);
    EXPECT_EQ(windowedCombo(0, D3DFMT_X8R8G8B8), nullptr);
}

TEST_F(DXUTEnumerationTest, MultisampleTypesCarryLimitedQualityAndConflicts) {
    d3d.adapters = {ScriptedAdapter{}};
    d3d.adapters[0].multiSample = {{D3DMULTISAMPLE_NONE, 1},
                                   {D3DMULTISAMPLE_NONMASKABLE, 0x20000},
                                   {D3DMULTISAMPLE_4_SAMPLES, 2}};
    d3d.adapters[0].depthFormats = {D3DFMT_D16, D3DFMT_D24S8};
    d3d.adapters[0].multiSampleRefused = {{D3DFMT_D16, D3DMULTISAMPLE_4_SAMPLES}};
    ASSERT_EQ(enumeration.enumerate(&d3d), S_OK);
    const DXUTDeviceCombo* combo = windowedCombo();
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->multiSampleTypes.size(), 3u);
    EXPECT_EQ(combo->findMultiSample(D3DMULTISAMPLE_NONMASKABLE)->qualityLevels, 0x10000u);
    EXPECT_EQ(combo->findMultiSample(D3DMULTISAMPLE_4_SAMPLES)->qualityLevels, 2u);
    EXPECT_EQ(combo->findMultiSample(D3DMULTISAMPLE_2_SAMPLES), nullptr);
    ASSERT_EQ(combo->conflicts.size(), 1u);
    EXPECT_EQ(combo->conflicts[0].depthStencilFormat, D3DFMT_D16);
    EXPECT_EQ(combo->conflicts[0].multiSampleType, D3DMULTISAMPLE_4_SAMPLES);
}

TEST_F(DXUTEnumerationTest, ComboWithoutAnyMultisampleTypeIsDropped) {
    d3d.adapters = {ScriptedAdapter{}};
    d3d.adapters[0].multiSample.clear();
    ASSERT_EQ(enumeration.enumerate(&d3d), S_OK);
    EXPECT_TRUE(enumeration.adapters().empty());
}

TEST_F(DXUTEnumerationTest, PresentationIntervalsFollowCapsAndWindowedLimits) {
    d3d.adapters = {ScriptedAdapter{}};
    d3d.adapters[0].modes[D3DFMT_A8R8G8B8] = {mode(800, 600, 60, D3DFMT_A8R8G8B8)};
    d3d.adapters[0].deviceTypes[D3DDEVTYPE_HAL] =
        capsWith(0, D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_TWO);
    ASSERT_EQ(enumeration.enumerate(&d3d), S_OK);
    const DXUTDeviceCombo* fullScreen =
        enumeration.deviceCombo(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, FALSE);
    ASSERT_NE(fullScreen, nullptr);
    ASSERT_NE(windowedCombo(), nullptr);
    EXPECT_EQ(fullScreen->presentIntervals,
              (std::vector<UINT>{D3DPRESENT_INTERVAL_DEFAULT, D3DPRESENT_INTERVAL_ONE,
                                 D3DPRESENT_INTERVAL_TWO}));
    EXPECT_EQ(windowedCombo()->presentIntervals,
              (std::vector<UINT>{D3DPRESENT_INTERVAL_DEFAULT, D3DPRESENT_INTERVAL_ONE}));
}

TEST_F(DXUTEnumerationTest, DeviceTypesAreKeptInPreferenceOrder) {
    d3d.adapters = {ScriptedAdapter{}};
    d3d.adapters[0].deviceTypes = {{D3DDEVTYPE_REF, capsWith(0, 0)},
                                   {D3DDEVTYPE_SW, capsWith(0, 0)},
                                   {D3DDEVTYPE_HAL, capsWith(0, 0)}};
    ASSERT_EQ(enumeration.enumerate(&d3d), S_OK);
    const DXUTAdapterInfo* adapter = enumeration.adapterInfo(0);
    ASSERT_NE(adapter, nullptr);
    ASSERT_EQ(adapter->deviceInfos.size(), 3u);
    EXPECT_EQ(adapter->deviceInfos[0]->deviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(adapter->deviceInfos[1]->deviceType, D3DDEVTYPE_SW);
    EXPECT_EQ(adapter->deviceInfos[2]->deviceType, D3DDEVTYPE_REF);
    EXPECT_EQ(enumeration.deviceInfo(0, D3DDEVTYPE_NULLREF), nullptr);
}

TEST_F(DXUTEnumerationTest, CopiedAdapterRecordStandsAlone) {
    d3d.adapters = {ScriptedAdapter{}};
    d3d.adapters[0].description = "Copied";
    ASSERT_EQ(enumeration.enumerate(&d3d), S_OK);
    std::unique_ptr<DXUTAdapterInfo> copy = enumeration.adapterInfo(0)->clone();
    d3d.adapters.clear();
    ASSERT_EQ(enumeration.enumerate(&d3d), S_OK);
    EXPECT_EQ(copy->uniqueDescription, wide("Copied"));
    const DXUTDeviceInfo* device = copy->findDeviceInfo(D3DDEVTYPE_HAL);
    ASSERT_NE(device, nullptr);
    ASSERT_FALSE(device->combos.empty());
    EXPECT_EQ(device->combos[0]->adapterInfo, copy.get());
    EXPECT_EQ(device->combos[0]->deviceInfo, device);
}

}  // namespace
}  // namespace pelmora
