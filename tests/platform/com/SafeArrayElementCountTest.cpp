// Every reader of an array counts its elements the same way: all dimensions,
// in 64 bits, refusing bounds that give no count.
#include "platform/com/SafeArrayElementCount.h"

#include "support/CapturedStdout.h"
#include "support/HandBuiltArray.h"
#include "support/TransformArrays.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

using pelmora::countSafeArrayElements;
using pelmora::test::HandBuiltArray;
using pelmora::test::SafeArrayPtr;
using pelmora::test::stdoutOf;
using testing::HasSubstr;

TEST(SafeArrayElementCount, CountsEveryDimensionOfArraysSafeArrayCreateMakes) {
    const struct {
        std::vector<SAFEARRAYBOUND> bounds;  // dimension 1 first
        LONG count;
    } cases[] = {
        {{{6, 5}}, 6},
        {{{0, -3}}, 0},
        {{{4, 1}, {3, 0}}, 12},
        {{{3, 0}, {0, 0}}, 0},  // legal, and empty whatever the first dimension says
        {{{2, INT_MAX - 1}}, 2},
        {{{1, INT_MIN}}, 1},
    };
    for (const auto& c : cases) {
        std::vector<SAFEARRAYBOUND> bounds = c.bounds;
        SafeArrayPtr array(SafeArrayCreate(VT_UI1, UINT(bounds.size()), bounds.data()));
        ASSERT_NE(array, nullptr) << c.count;
        LONG count = -1;
        EXPECT_EQ(countSafeArrayElements(array.get(), &count), S_OK);
        EXPECT_EQ(count, c.count);
    }
}

TEST(SafeArrayElementCount, BoundsThatGiveNoCountAreRefusedWithALogLine) {
    const struct {
        const char* what;
        LONG lower;
        ULONG elements;
    } cases[] = {
        {"upper bound past the largest LONG", INT_MAX - 1, 3},
        {"empty at the smallest LONG", INT_MIN, 0},
        {"more than a LONG counts", 0, 0x80000000u},
    };
    for (const auto& c : cases) {
        HandBuiltArray array(c.lower, c.elements);
        LONG count = -1;
        const std::string log = stdoutOf([&] {
            EXPECT_EQ(countSafeArrayElements(array.pointer, &count), E_INVALIDARG) << c.what;
        });
        EXPECT_THAT(log, HasSubstr("no element count fits")) << c.what;
        EXPECT_EQ(count, -1) << c.what;
    }
    LONG count = -1;
    EXPECT_EQ(countSafeArrayElements(nullptr, &count), E_INVALIDARG);
}

TEST(SafeArrayElementCount, ATotalPastTheLargestLongIsRefused) {
    struct {
        SAFEARRAY descriptor;
        SAFEARRAYBOUND second;
    } grid{};
    grid.descriptor.cDims = 2;
    grid.descriptor.fFeatures = FADF_STATIC;
    grid.descriptor.cbElements = 1;
    grid.descriptor.rgsabound[0] = {65536, 0};
    grid.second = {65536, 0};
    LONG count = -1;
    const std::string log = stdoutOf([&] {
        EXPECT_EQ(countSafeArrayElements(&grid.descriptor, &count), E_INVALIDARG);
    });
    EXPECT_THAT(log, HasSubstr("more elements than a count can say"));
}

}  // namespace
