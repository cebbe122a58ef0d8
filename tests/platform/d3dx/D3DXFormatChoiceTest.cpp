// Which format stands in for one the device lacks.
#include "platform/d3dx/D3DXFormatChoice.h"

#include <gtest/gtest.h>

#include <set>

namespace pelmora::d3dx {
namespace {

TEST(D3DXFormatChoiceTest, NearestOfferedFormat) {
    struct Case {
        D3DFORMAT wanted;
        std::set<D3DFORMAT> offered;
        D3DFORMAT chosen;
    };
    const Case cases[] = {
        {D3DFMT_A8R3G3B2, {D3DFMT_A8R3G3B2, D3DFMT_A8R8G8B8}, D3DFMT_A8R3G3B2},  // offered: kept
        // Alpha is kept before anything else: four bits beat none, eight beat four.
        {D3DFMT_A8R3G3B2, {D3DFMT_X8R8G8B8, D3DFMT_A4R4G4B4}, D3DFMT_A4R4G4B4},
        {D3DFMT_A8R3G3B2, {D3DFMT_X8R8G8B8, D3DFMT_A4R4G4B4, D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5}, D3DFMT_A8R8G8B8},
        // Then no lost colour bits, then the fewest extra bits.
        {D3DFMT_R5G6B5, {D3DFMT_X1R5G5B5, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8}, D3DFMT_X8R8G8B8},
        {D3DFMT_X1R5G5B5, {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8}, D3DFMT_R5G6B5},
        // Nothing stands in for non-colour formats, or when nothing is offered.
        {D3DFMT_D24S8, {D3DFMT_A8R8G8B8}, D3DFMT_UNKNOWN},
        {D3DFMT_A8R3G3B2, {}, D3DFMT_UNKNOWN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nearestFormat(c.wanted, [&](D3DFORMAT f) { return c.offered.count(f) != 0; }), c.chosen)
            << "wanted " << c.wanted;
}

}  // namespace
}  // namespace pelmora::d3dx
