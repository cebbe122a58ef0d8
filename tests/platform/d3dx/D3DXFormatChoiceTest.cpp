// Which format stands in for one the device lacks.
#include "platform/d3dx/D3DXFormatChoice.h"

#include <gtest/gtest.h>

#include <set>

namespace pelmora::d3dx {
namespace {

auto offering(std::set<D3DFORMAT> formats) {
    return [formats](D3DFORMAT f) { return formats.count(f) != 0; };
}

TEST(D3DXFormatChoiceTest, AnOfferedFormatIsKept) {
    EXPECT_EQ(nearestFormat(D3DFMT_A8R3G3B2, offering({D3DFMT_A8R3G3B2, D3DFMT_A8R8G8B8})), D3DFMT_A8R3G3B2);
}

TEST(D3DXFormatChoiceTest, AlphaIsKeptBeforeAnythingElse) {
    // Four bits of alpha beat none; eight beat four.
    EXPECT_EQ(nearestFormat(D3DFMT_A8R3G3B2, offering({D3DFMT_X8R8G8B8, D3DFMT_A4R4G4B4})), D3DFMT_A4R4G4B4);
    EXPECT_EQ(nearestFormat(D3DFMT_A8R3G3B2,
                            offering({D3DFMT_X8R8G8B8, D3DFMT_A4R4G4B4, D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5})),
              D3DFMT_A8R8G8B8);
}

TEST(D3DXFormatChoiceTest, NoLostColourBitsThenFewestExtraBits) {
    EXPECT_EQ(nearestFormat(D3DFMT_R5G6B5, offering({D3DFMT_X1R5G5B5, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8})),
              D3DFMT_X8R8G8B8);
    EXPECT_EQ(nearestFormat(D3DFMT_X1R5G5B5, offering({D3DFMT_R5G6B5, D3DFMT_X8R8G8B8})), D3DFMT_R5G6B5);
}

TEST(D3DXFormatChoiceTest, NothingStandsInForNonColourFormatsOrWhenNothingIsOffered) {
    EXPECT_EQ(nearestFormat(D3DFMT_D24S8, offering({D3DFMT_A8R8G8B8})), D3DFMT_UNKNOWN);
    EXPECT_EQ(nearestFormat(D3DFMT_A8R3G3B2, offering({})), D3DFMT_UNKNOWN);
}

}  // namespace
}  // namespace pelmora::d3dx
