// The call layer's own pieces: array reading, light records, handles, strings.
#include "host/ArrayArguments.h"
#include "core/HandleTable.h"
#include "host/LightRecords.h"
#include "core/StringConversion.h"
#include "core/DXObject.h"
#include "support/CapturedStdout.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <set>

namespace {

using namespace pelmora;
using test::stdoutOf;
using testing::HasSubstr;

// (Counts over every dimension and from any lower bound, and the locks let
// go after a call, are checked through releaseHandles.)
TEST(ArrayArguments, AFailureReleasesWhatWasAccessedAndReportsTheStatus) {
    SAFEARRAY* good = SafeArrayCreateVector(VT_R4, 0, 3);
    SAFEARRAY* missing = nullptr;
    ArrayArguments arrays;
    EXPECT_THAT(stdoutOf([&] {
                    EXPECT_EQ(arrays.read({&good, &missing}), E_INVALIDARG);
                }),
                HasSubstr("FAILED HRESULT (0x80070057) [87] in ArrayArguments.cpp @ "));
    EXPECT_EQ(good->cLocks, 0u);
    SafeArrayDestroy(good);
}

TEST(LightRecords, EachKindFillsItsColumnAndLeavesTheRestZero) {
    D3DLIGHT9 directional = directionalLightRecord(static_cast<int>(0x80FF0000u), 0, -1, 0);
    EXPECT_EQ(directional.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(directional.Diffuse.r, std::bit_cast<float>(0x3B808081u) * 255.0f);
    EXPECT_GE(directional.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(directional.Diffuse.a, 128.0f / 255.0f);
    EXPECT_EQ(directional.Specular.g, 1.0f);
    EXPECT_EQ(directional.Direction.y, -1.0f);
    EXPECT_EQ(directional.Range, 0.0f);

    D3DLIGHT9 point = pointLightRecord(0, 1, 2, 3, 50);
    EXPECT_EQ(point.Type, D3DLIGHT_POINT);
    EXPECT_EQ(point.Position.z, 3.0f);
    EXPECT_EQ(point.Direction.x, 0.0f);
    EXPECT_EQ(point.Range, 50.0f);
    EXPECT_EQ(point.Attenuation0, 0.0f);

    D3DLIGHT9 spot =
        spotLightRecord(0, {1, 2, 3}, {0, 0, 1}, {10, 1, 0.5f, 0.25f, 0.125f, 0.3f, 0.6f});
    EXPECT_EQ(spot.Type, D3DLIGHT_SPOT);
    EXPECT_EQ(spot.Specular.r, 0.0f);  // spot lights carry no highlight colour
    EXPECT_EQ(spot.Falloff, 1.0f);
    EXPECT_EQ(spot.Attenuation2, 0.125f);
    EXPECT_EQ(spot.Phi, 0.6f);
}

class Plain : public DXObject {};

TEST(HandleTable, HandlesArePositiveUniqueAndDieWithTheirObject) {
    std::set<int> seen;
    for (int round = 0; round < 3; ++round) {
        Plain a, b;
        int ha = HandleTable::instance().issue(&a, HandleKind::Visual);
        int hb = HandleTable::instance().issue(&b, HandleKind::Frame);
        EXPECT_GT(ha, 0);
        EXPECT_GT(hb, 0);
        EXPECT_TRUE(seen.insert(ha).second);
        EXPECT_TRUE(seen.insert(hb).second);
        HandleKind kind;
        ASSERT_TRUE(HandleTable::instance().kindOf(hb, &kind));
        EXPECT_EQ(kind, HandleKind::Frame);
    }
    for (int dead : seen) EXPECT_EQ(HandleTable::instance().lookup(dead), nullptr);
    EXPECT_EQ(HandleTable::instance().lookup(0), nullptr);
    EXPECT_EQ(HandleTable::instance().lookup(-1), nullptr);
}

// A released handle must not name a later object for at least 2^20 further
// handles, however the host interleaves creations and releases.
constexpr int kHandleLifetimeCycles = 1 << 20;

TEST(HandleTable, AReleasedHandleStaysDeadForAMillionLaterHandles) {
    HandleTable table;
    Plain object;
    const int released = table.issue(&object, HandleKind::Frame);
    table.retire(released, &object);
    int revived = 0;
    for (int cycle = 0; cycle < kHandleLifetimeCycles; ++cycle) {
        const int handle = table.issue(&object, HandleKind::Frame);
        if (handle == released || table.lookup(released) != nullptr) ++revived;
        table.retire(handle, &object);
    }
    EXPECT_EQ(revived, 0);
    EXPECT_EQ(table.liveCount(), 0u);
}

TEST(StringConversion, RoundTripsThroughUtf16) {
    const std::string text = "Grafik \xC3\xBC \xF0\x9F\x94\xA7 100%";
    BSTR wide = bstrFromNarrow(text);
    EXPECT_EQ(SysStringLen(wide), 16u);  // the wrench is a surrogate pair
    EXPECT_EQ(narrowFromBstr(wide), text);
    SysFreeString(wide);
    EXPECT_EQ(narrowFromBstr(nullptr), "");
}

}  // namespace
