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
using Names = std::vector<std::u16string>;
using Formats = std::vector<D3DFORMAT>;

std::u16string wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

class DXUTEnumerationTest : public ::testing::Test {
protected:
    DXUTEnumeration& enumeration = DXUTEnumeration::instance();
    test::ScriptedDirect3D d3d;
    ScriptedAdapter& adapter = (d3d.adapters = {ScriptedAdapter{}}).front();

    void enumerate() { ASSERT_EQ(enumeration.enumerate(&d3d), S_OK); }
    void describe(const std::vector<std::string>& descriptions) {
        d3d.adapters.resize(descriptions.size());
        for (size_t i = 0; i < descriptions.size(); ++i) d3d.adapters[i].description = descriptions[i];
    }
    const DXUTDeviceCombo* combo(D3DFORMAT backBuffer = D3DFMT_X8R8G8B8, BOOL windowed = TRUE,
                                 D3DFORMAT adapterFormat = D3DFMT_X8R8G8B8) const {
        return enumeration.deviceCombo(0, D3DDEVTYPE_HAL, adapterFormat, backBuffer, windowed);
    }
    Names names() const {
        Names result;
        for (const auto& info : enumeration.adapters()) result.push_back(info->uniqueDescription);
        return result;
    }
};

TEST_F(DXUTEnumerationTest, AdaptersAreNamedUniquely) {
    EXPECT_EQ(enumeration.enumerate(nullptr), DXUTERR_NODIRECT3D);
    struct Case {
        std::vector<std::string> descriptions;
        Names expected;
    };
    const Case cases[] = {
        {{"llvmpipe (LLVM 15.0.6, 256 bits)"}, {wide("llvmpipe (LLVM 15.0.6, 256 bits)")}},
        // Equal ignoring case: every adapter gets its ordinal.
        {{"Radeon Graphics", "RADEON graphics", "llvmpipe"},
         {wide("Radeon Graphics (#0)"), wide("RADEON graphics (#1)"), wide("llvmpipe (#2)")}},
        // A long description is cut before the suffix.
        {{std::string(150, 'x'), std::string(150, 'X')},
         {wide(std::string(100, 'x') + " (#0)"), wide(std::string(100, 'X') + " (#1)")}},
    };
    for (const Case& c : cases) {
        describe(c.descriptions);
        enumerate();
        EXPECT_EQ(names(), c.expected);
    }
}

TEST_F(DXUTEnumerationTest, AdapterWithoutUsableDeviceTypeIsLeftOut) {
    describe({"Same", "Same", "Refusing"});
    d3d.adapters[1].deviceTypes.clear();
    d3d.adapters[2].typesRefusingCheck = {D3DDEVTYPE_HAL};
    enumerate();
    EXPECT_EQ(names(), Names{wide("Same")}) << "no namesake left, so no suffix";
    EXPECT_EQ(enumeration.adapterInfo(1), nullptr);
    EXPECT_EQ(enumeration.adapterInfo(2), nullptr);
    // Enumerating again replaces the catalogue.
    d3d.adapters.resize(1);
    d3d.adapters[0].deviceTypes.clear();
    enumerate();
    EXPECT_TRUE(enumeration.adapters().empty());
}

TEST_F(DXUTEnumerationTest, DesktopFormatOutsideTheAllowedListGivesWindowedCombosOnly) {
    enumerate();
    ASSERT_NE(enumeration.adapterInfo(0), nullptr);
    EXPECT_EQ(enumeration.adapterInfo(0)->adapterFormats, Formats{D3DFMT_X8R8G8B8});
    EXPECT_NE(combo(), nullptr);
    EXPECT_EQ(combo(D3DFMT_X8R8G8B8, FALSE), nullptr) << "no full-screen mode, no full-screen combo";
}

TEST_F(DXUTEnumerationTest, DisplayModesOfAllowedFormatsAreKeptSorted) {
    adapter.modes[D3DFMT_A8R8G8B8] = {{1024, 768, 75, D3DFMT_A8R8G8B8}, {640, 480, 60, D3DFMT_A8R8G8B8}};
    adapter.modes[D3DFMT_A1R5G5B5] = {{640, 480, 60, D3DFMT_A1R5G5B5}};
    adapter.modes[D3DFMT_X8R8G8B8] = {{800, 600, 60, D3DFMT_X8R8G8B8}};
    enumerate();
    const DXUTAdapterInfo* info = enumeration.adapterInfo(0);
    ASSERT_NE(info, nullptr);
    std::vector<std::pair<D3DFORMAT, UINT>> modes;
    for (const D3DDISPLAYMODE& mode : info->displayModes) modes.push_back({mode.Format, mode.Width});
    EXPECT_EQ(modes, (std::vector<std::pair<D3DFORMAT, UINT>>{
                         {D3DFMT_A8R8G8B8, 640}, {D3DFMT_A1R5G5B5, 640}, {D3DFMT_A8R8G8B8, 1024}}));
    EXPECT_EQ(info->adapterFormats, (Formats{D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_X8R8G8B8}));
    EXPECT_NE(combo(D3DFMT_A8R8G8B8, FALSE, D3DFMT_A8R8G8B8), nullptr);
}

TEST_F(DXUTEnumerationTest, DepthFormatsComeOutInNumericOrderAndMismatchesAreLeftOut) {
    adapter.depthFormats = {D3DFMT_D16, D3DFMT_D15S1, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D32};
    adapter.depthMismatch = {D3DFMT_D24X8};
    enumerate();
    ASSERT_NE(combo(), nullptr);
    EXPECT_EQ(Formats(combo()->depthStencilFormats.begin(), combo()->depthStencilFormats.end()),
              (Formats{D3DFMT_D32, D3DFMT_D15S1, D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D16}));
}

TEST_F(DXUTEnumerationTest, BackBufferFormatWithoutBlendingOrRefusedByTheCallerHasNoCombo) {
    adapter.noBlending = {D3DFMT_A8R8G8B8};
    enumerate();
    EXPECT_EQ(combo(D3DFMT_A8R8G8B8), nullptr);
    EXPECT_NE(combo(D3DFMT_X8R8G8B8), nullptr);

    adapter.noBlending.clear();
    Formats asked;
    auto accept = [&](const D3DCAPS9&, D3DFORMAT, D3DFORMAT backBuffer, bool windowed) {
        EXPECT_TRUE(windowed);
        asked.push_back(backBuffer);
        return backBuffer == D3DFMT_A8R8G8B8;
    };
    ASSERT_EQ(enumeration.enumerate(&d3d, accept), S_OK);
    EXPECT_EQ(asked, (Formats{D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}));
    EXPECT_NE(combo(D3DFMT_A8R8G8B8), nullptr);
    EXPECT_EQ(combo(D3DFMT_X8R8G8B8), nullptr);
}

TEST_F(DXUTEnumerationTest, MultisampleTypesCarryLimitedQualityAndConflicts) {
    adapter.multiSample = {{D3DMULTISAMPLE_NONE, 1}, {D3DMULTISAMPLE_NONMASKABLE, 0x20000}, {D3DMULTISAMPLE_4_SAMPLES, 2}};
    adapter.depthFormats = {D3DFMT_D16, D3DFMT_D24S8};
    adapter.multiSampleRefused = {{D3DFMT_D16, D3DMULTISAMPLE_4_SAMPLES}};
    enumerate();
    const DXUTDeviceCombo* c = combo();
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->multiSampleTypes.size(), 3u);
    EXPECT_EQ(c->findMultiSample(D3DMULTISAMPLE_NONMASKABLE)->qualityLevels, 0x10000u);
    EXPECT_EQ(c->findMultiSample(D3DMULTISAMPLE_4_SAMPLES)->qualityLevels, 2u);
    EXPECT_EQ(c->findMultiSample(D3DMULTISAMPLE_2_SAMPLES), nullptr);
    ASSERT_EQ(c->conflicts.size(), 1u);
    EXPECT_EQ((std::pair{c->conflicts[0].depthStencilFormat, c->conflicts[0].multiSampleType}),
              (std::pair{D3DFMT_D16, D3DMULTISAMPLE_4_SAMPLES}));
    // Without any multisample type there is no combo, and so no adapter.
    adapter.multiSample.clear();
    enumerate();
    EXPECT_TRUE(enumeration.adapters().empty());
}

TEST_F(DXUTEnumerationTest, PresentationIntervalsFollowCapsAndWindowedLimits) {
    adapter.modes[D3DFMT_A8R8G8B8] = {{800, 600, 60, D3DFMT_A8R8G8B8}};
    adapter.deviceTypes[D3DDEVTYPE_HAL] = capsWith(0, D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_TWO);
    enumerate();
    const DXUTDeviceCombo* fullScreen = combo(D3DFMT_X8R8G8B8, FALSE, D3DFMT_A8R8G8B8);
    ASSERT_NE(fullScreen, nullptr);
    ASSERT_NE(combo(), nullptr);
    EXPECT_EQ(fullScreen->presentIntervals,
              (std::vector<UINT>{D3DPRESENT_INTERVAL_DEFAULT, D3DPRESENT_INTERVAL_ONE, D3DPRESENT_INTERVAL_TWO}));
    EXPECT_EQ(combo()->presentIntervals, (std::vector<UINT>{D3DPRESENT_INTERVAL_DEFAULT, D3DPRESENT_INTERVAL_ONE}));
}

TEST_F(DXUTEnumerationTest, DeviceTypesAreKeptInPreferenceOrder) {
    adapter.deviceTypes = {{D3DDEVTYPE_REF, capsWith(0, 0)}, {D3DDEVTYPE_SW, capsWith(0, 0)}, {D3DDEVTYPE_HAL, capsWith(0, 0)}};
    enumerate();
    ASSERT_NE(enumeration.adapterInfo(0), nullptr);
    std::vector<D3DDEVTYPE> types;
    for (const auto& info : enumeration.adapterInfo(0)->deviceInfos) types.push_back(info->deviceType);
    EXPECT_EQ(types, (std::vector<D3DDEVTYPE>{D3DDEVTYPE_HAL, D3DDEVTYPE_SW, D3DDEVTYPE_REF}));
    EXPECT_EQ(enumeration.deviceInfo(0, D3DDEVTYPE_NULLREF), nullptr);
}

TEST_F(DXUTEnumerationTest, CopiedAdapterRecordStandsAlone) {
    describe({"Copied"});
    enumerate();
    std::unique_ptr<DXUTAdapterInfo> copy = enumeration.adapterInfo(0)->clone();
    d3d.adapters.clear();
    enumerate();
    EXPECT_EQ(copy->uniqueDescription, wide("Copied"));
    const DXUTDeviceInfo* device = copy->findDeviceInfo(D3DDEVTYPE_HAL);
    ASSERT_NE(device, nullptr);
    ASSERT_FALSE(device->combos.empty());
    EXPECT_EQ(device->combos[0]->adapterInfo, copy.get());
    EXPECT_EQ(device->combos[0]->deviceInfo, device);
}

}  // namespace
}  // namespace pelmora
