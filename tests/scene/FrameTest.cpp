#include "scene/DXFrame.h"
#include "support/CapturedStdout.h"
#include "support/TestVisual.h"
#include "support/TransformArrays.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

namespace pelmora {
namespace {

using test::makeDoubleArray;
using test::SafeArrayPtr;
using test::stdoutOf;
using test::takeDoubleArray;
using test::TestVisual;
using test::translationValues;
using testing::HasSubstr;
using Values = std::vector<double>;

const Values kIdentityValues = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
// A quarter turn about z: x goes to y, y goes to -x.
const Values kQuarterTurnZ = {0, 1, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0};

Values transformOf(DXFrame& frame) {
    SAFEARRAY* array = nullptr;
    EXPECT_EQ(frame.getTransform(&array), S_OK);
    return takeDoubleArray(array);
}

HRESULT addTransform(DXFrame& frame, int combineType, const Values& values, LONG lowerBound = 0) {
    SafeArrayPtr array = makeDoubleArray(values, lowerBound);
    SAFEARRAY* raw = array.get();
    return frame.addTransform(combineType, &raw);
}

void expectNear(const Values& actual, const Values& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-6) << "element " << i;
}

// ---- colour ----

TEST(FrameColorTest, OpaqueWhiteUntilSetThenEveryChannelRoundTrips) {
    DXFrame frame;
    int color = 0;
    EXPECT_EQ(frame.getColor(&color), S_OK);
    EXPECT_EQ(static_cast<uint32_t>(color), 0xFFFFFFFFu);
    for (uint32_t v = 0; v <= 255; ++v) {
        const uint32_t set = v << 24 | (255 - v) << 16 | v << 8 | (v ^ 0x5A);
        ASSERT_EQ(frame.setColor(static_cast<int>(set)), S_OK);
        ASSERT_EQ(frame.getColor(&color), S_OK);
        ASSERT_EQ(static_cast<uint32_t>(color), set) << std::hex << set;
    }
    EXPECT_THAT(stdoutOf([&] { EXPECT_EQ(frame.getColor(nullptr), E_POINTER); }),
                HasSubstr("FAILED HRESULT (0x80004003)"));
}

// ---- local transform ----

TEST(FrameTransformTest, ANewFrameHasTheIdentityAsA12ElementVectorFromZero) {
    DXFrame frame;
    SAFEARRAY* array = nullptr;
    ASSERT_EQ(frame.getTransform(&array), S_OK);
    VARTYPE vt = VT_EMPTY;
    LONG lower = -1;
    EXPECT_EQ(SafeArrayGetVartype(array, &vt), S_OK);
    EXPECT_EQ(vt, VT_R8);
    EXPECT_EQ(SafeArrayGetDim(array), 1u);
    EXPECT_EQ(SafeArrayGetLBound(array, 1, &lower), S_OK);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(takeDoubleArray(array), kIdentityValues);
}

TEST(FrameTransformTest, TheCombineTypeOrdersTheNewTransformAgainstTheOld) {
    const Values narrowed = {0.1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    Values narrowedExpected = narrowed;
    narrowedExpected[0] = static_cast<float>(0.1);
    const struct {
        int combineType;
        Values added, expected;
    } cases[] = {
        {0, narrowed, narrowedExpected},  // replaces, in single precision
        // 1: T x R, the translation is rotated.
        {1, translationValues(1, 0, 0), {0, 1, 0, -1, 0, 0, 0, 0, 1, 0, 1, 0}},
        // Anything else: R x T, the translation stays as given.
        {2, translationValues(1, 0, 0), {0, 1, 0, -1, 0, 0, 0, 0, 1, 1, 0, 0}},
        {-1, translationValues(1, 0, 0), {0, 1, 0, -1, 0, 0, 0, 0, 1, 1, 0, 0}},
        {7, translationValues(1, 0, 0), {0, 1, 0, -1, 0, 0, 0, 0, 1, 1, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.combineType);
        DXFrame frame;
        ASSERT_EQ(addTransform(frame, 0, kQuarterTurnZ), S_OK);
        ASSERT_EQ(addTransform(frame, c.combineType, c.added), S_OK);
        EXPECT_EQ(transformOf(frame), c.expected);
    }
}

TEST(FrameTransformTest, ArraysAreReadFromTheirLowerBoundAndOnlyTwelveDoublesCount) {
    DXFrame frame;
    ASSERT_EQ(addTransform(frame, 0, translationValues(4, 5, 6), 5), S_OK);
    EXPECT_EQ(transformOf(frame), translationValues(4, 5, 6));

    SafeArrayPtr floats(SafeArrayCreateVector(VT_R4, 0, 12));
    SAFEARRAY* raw = floats.get();
    EXPECT_EQ(frame.addTransform(0, &raw), S_OK);  // ignored
    for (size_t length : {11u, 13u, 0u}) {
        EXPECT_THAT(
            stdoutOf([&] { EXPECT_EQ(addTransform(frame, 0, Values(length, 5.0)), E_INVALIDARG); }),
            HasSubstr("FAILED HRESULT (0x80070057)"));
    }
    EXPECT_EQ(transformOf(frame), translationValues(4, 5, 6));
}

TEST(FrameRotationTest, ARotationAboutAnUnnormalisedAxisAppliesAfterTheExistingTransform) {
    DXFrame frame;
    ASSERT_EQ(addTransform(frame, 0, translationValues(1, 0, 0)), S_OK);
    ASSERT_EQ(frame.addRotation(0, 0, 5, std::numbers::pi_v<float> / 2), S_OK);
    // local x R: the translation is carried round with the rotation.
    expectNear(transformOf(frame), {0, 1, 0, -1, 0, 0, 0, 0, 1, 0, 1, 0});
}

TEST(FrameRotationTest, ATiltedAxisFollowsTheRotationFormula) {
    DXFrame frame;
    const float theta = 0.7f;
    ASSERT_EQ(frame.addRotation(1, 2, 2, theta), S_OK);
    const double x = 1.0 / 3, y = 2.0 / 3, z = 2.0 / 3;
    const double k = std::cos(theta), s = std::sin(theta), t = 1 - k;
    expectNear(transformOf(frame), {x * x * t + k, x * y * t + z * s, x * z * t - y * s,
                                    x * y * t - z * s, y * y * t + k, y * z * t + x * s,
                                    x * z * t + y * s, y * z * t - x * s, z * z * t + k, 0, 0, 0});
}

// ---- children ----

TEST(FrameChildrenTest, AddingAChildListsItOnceAtTheEndUnderItsNewParent) {
    DXFrame first, second, child, other;
    ASSERT_EQ(first.addChild(&child), S_OK);
    EXPECT_EQ(child.parent(), &first);
    ASSERT_EQ(second.addChild(&child), S_OK);  // moves it
    EXPECT_TRUE(first.children().empty());
    EXPECT_EQ(child.parent(), &second);
    second.addChild(&other);
    second.addChild(&child);
    EXPECT_EQ(second.children(), (std::vector<DXFrame*>{&other, &child}));
}

TEST(FrameChildrenTest, DeletingAFrameThatIsNotAChildOnlyClearsItsParent) {
    DXFrame parent, stranger, child;
    parent.addChild(&child);
    ASSERT_EQ(stranger.deleteChild(&child), S_OK);
    EXPECT_EQ(child.parent(), nullptr);
    EXPECT_EQ(parent.children(), std::vector<DXFrame*>{&child});

    // With no parent to take it from, adding it back lists it twice.
    ASSERT_EQ(parent.addChild(&child), S_OK);
    EXPECT_EQ(parent.children(), (std::vector<DXFrame*>{&child, &child}));
    // Deleting removes every occurrence.
    ASSERT_EQ(parent.deleteChild(&child), S_OK);
    EXPECT_TRUE(parent.children().empty());
    EXPECT_EQ(stranger.deleteChild(nullptr), S_OK);
}

TEST(FrameChildrenTest, AFrameCannotBecomeItsOwnAncestor) {
    DXFrame root, middle, leaf, viaVisual;
    root.addChild(&middle);
    middle.addChild(&leaf);
    leaf.addVisual(&viaVisual);

    const std::string log = stdoutOf([&] {
        EXPECT_EQ(root.addChild(&root), E_INVALIDARG);
        EXPECT_EQ(leaf.addChild(&root), E_INVALIDARG);
        EXPECT_EQ(viaVisual.addChild(&middle), E_INVALIDARG);
        EXPECT_EQ(leaf.addVisual(&root), E_INVALIDARG);
        EXPECT_EQ(leaf.addVisual(&leaf), E_INVALIDARG);
        EXPECT_EQ(root.addChild(nullptr), E_INVALIDARG);
    });
    EXPECT_THAT(log, HasSubstr("FAILED HRESULT (0x80070057) [87] in DXFrame.cpp"));
    EXPECT_EQ(root.parent(), nullptr);
    EXPECT_EQ(root.children(), std::vector<DXFrame*>{&middle});
    EXPECT_TRUE(leaf.children().empty());
    EXPECT_EQ(leaf.visuals(), std::vector<DXVisual*>{&viaVisual});

    // Two branches that do not loop are fine.
    DXFrame right;
    root.addChild(&right);
    EXPECT_EQ(right.addVisual(&leaf), S_OK);
    EXPECT_EQ(right.addChild(&middle), S_OK);
    EXPECT_EQ(middle.parent(), &right);
}

TEST(FrameVisualsTest, VisualsKeepTheirOrderAndDuplicates) {
    DXFrame frame;
    TestVisual a, b;
    EXPECT_EQ(frame.addVisual(&a), S_OK);
    EXPECT_EQ(frame.addVisual(&b), S_OK);
    EXPECT_EQ(frame.addVisual(&a), S_OK);
    EXPECT_EQ(frame.addVisual(nullptr), S_OK);
    EXPECT_EQ(frame.visuals(), (std::vector<DXVisual*>{&a, &b, &a}));

    EXPECT_EQ(frame.deleteVisual(&a), S_OK);
    EXPECT_EQ(frame.visuals(), std::vector<DXVisual*>{&b});
    EXPECT_EQ(frame.deleteVisual(&a), S_OK);
    EXPECT_EQ(frame.deleteAllVisuals(), S_OK);
    EXPECT_TRUE(frame.visuals().empty());
}

TEST(FrameDumpTest, TheDumpWritesOneLinePerFrameChildrenBeforeVisuals) {
    DXFrame root, child, grandchild;
    TestVisual first("first");
    TestVisual second("second");
    root.addChild(&child);
    root.addVisual(&first);
    child.addChild(&grandchild);
    child.addVisual(&second);
    child.addVisual(&second);

    EXPECT_EQ(stdoutOf([&] { root.dump(0); }),
              ".Frame (children: 1) (visuals: 1)\n"
              "..Frame (children: 1) (visuals: 2)\n"
              "...Frame (children: 0) (visuals: 0)\n"
              "Visual second 2\n"
              "Visual second 2\n"
              "Visual first 1\n");
}

}  // namespace
}  // namespace pelmora
