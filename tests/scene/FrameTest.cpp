#include "scene/DXFrame.h"
#include "support/TestVisual.h"
#include "support/TransformArrays.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace pelmora {
namespace {

using test::makeDoubleArray;
using test::SafeArrayPtr;
using test::takeDoubleArray;
using test::TestVisual;
using test::translationValues;

const std::vector<double> kIdentityValues = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
// A quarter turn about z: x goes to y, y goes to -x.
const std::vector<double> kQuarterTurnZ = {0, 1, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0};

std::vector<double> transformOf(DXFrame& frame) {
    SAFEARRAY* array = nullptr;
    EXPECT_EQ(frame.getTransform(&array), S_OK);
    return takeDoubleArray(array);
}

std::vector<double> worldTransformOf(DXFrame& frame) {
    SAFEARRAY* array = nullptr;
    EXPECT_EQ(frame.getWorldTransform(&array), S_OK);
    return takeDoubleArray(array);
}

HRESULT addTransform(DXFrame& frame, int combineType, const std::vector<double>& values) {
    SafeArrayPtr array = makeDoubleArray(values);
    SAFEARRAY* raw = array.get();
    return frame.addTransform(combineType, &raw);
}

void expectNear(const std::vector<double>& actual, const std::vector<double>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-6) << "element " << i;
}

int colorRoundTrip(int color) {
    DXFrame frame;
    EXPECT_EQ(frame.setColor(color), S_OK);
    int result = 0;
    EXPECT_EQ(frame.getColor(&result), S_OK);
    return result;
}

// ---- colour ----

TEST(FrameColorTest, AFrameWithoutAColourReportsOpaqueWhite) {
    DXFrame frame;
    int color = 0;
    EXPECT_EQ(frame.getColor(&color), S_OK);
    EXPECT_EQ(static_cast<uint32_t>(color), 0xFFFFFFFFu);
}

TEST(FrameColorTest, EveryChannelValueSurvivesTheRoundTrip) {
    EXPECT_EQ(static_cast<uint32_t>(colorRoundTrip(static_cast<int>(0x80FF0000u))), 0x80FF0000u);
    for (uint32_t v = 0; v <= 255; ++v) {
        const uint32_t color = v << 24 | (255 - v) << 16 | v << 8 | (v ^ 0x5A);
        ASSERT_EQ(static_cast<uint32_t>(colorRoundTrip(static_cast<int>(color))), color)
            << std::hex << color;
    }
}

TEST(FrameColorTest, ReadingIntoNowhereIsRefusedWithALogLine) {
    DXFrame frame;
    testing::internal::CaptureStdout();
    EXPECT_EQ(frame.getColor(nullptr), E_POINTER);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("FAILED HRESULT (0x80004003)"),
              std::string::npos);
}

// ---- local transform ----

TEST(FrameTransformTest, ANewFrameHasTheIdentityAsA12ElementVectorFromZero) {
    DXFrame frame;
    SAFEARRAY* array = nullptr;
    ASSERT_EQ(frame.getTransform(&array), S_OK);
    ASSERT_NE(array, nullptr);
    VARTYPE vt = VT_EMPTY;
    LONG lower = -1;
    EXPECT_EQ(SafeArrayGetVartype(array, &vt), S_OK);
    EXPECT_EQ(vt, VT_R8);
    EXPECT_EQ(SafeArrayGetDim(array), 1u);
    EXPECT_EQ(SafeArrayGetLBound(array, 1, &lower), S_OK);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(takeDoubleArray(array), kIdentityValues);
}

TEST(FrameTransformTest, CombineZeroReplacesNarrowingToSinglePrecision) {
    DXFrame frame;
    const std::vector<double> values = {0.1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ASSERT_EQ(addTransform(frame, 0, values), S_OK);
    std::vector<double> expected = values;
    expected[0] = static_cast<float>(0.1);
    EXPECT_EQ(transformOf(frame), expected);
    ASSERT_EQ(addTransform(frame, 0, kIdentityValues), S_OK);
    EXPECT_EQ(transformOf(frame), kIdentityValues);
}

TEST(FrameTransformTest, CombineOneAppliesTheNewTransformFirstInTheFramesOwnSpace) {
    DXFrame frame;
    ASSERT_EQ(addTransform(frame, 0, kQuarterTurnZ), S_OK);
    ASSERT_EQ(addTransform(frame, 1, translationValues(1, 0, 0)), S_OK);
    // T x R: the translation is rotated.
    const std::vector<double> expected = {0, 1, 0, -1, 0, 0, 0, 0, 1, 0, 1, 0};
    EXPECT_EQ(transformOf(frame), expected);
}

TEST(FrameTransformTest, AnyOtherCombineAppliesTheNewTransformAfterInTheParentsSpace) {
    for (int combineType : {2, -1, 7}) {
        DXFrame frame;
        ASSERT_EQ(addTransform(frame, 0, kQuarterTurnZ), S_OK);
        ASSERT_EQ(addTransform(frame, combineType, translationValues(1, 0, 0)), S_OK);
        // R x T: the translation stays as given.
        const std::vector<double> expected = {0, 1, 0, -1, 0, 0, 0, 0, 1, 1, 0, 0};
        EXPECT_EQ(transformOf(frame), expected) << "combineType " << combineType;
    }
}

TEST(FrameTransformTest, PureTranslationsAddUpInEitherOrder) {
    for (int combineType : {1, 2}) {
        DXFrame frame;
        ASSERT_EQ(addTransform(frame, combineType, translationValues(1, 2, 3)), S_OK);
        ASSERT_EQ(addTransform(frame, combineType, translationValues(10, 20, 30)), S_OK);
        EXPECT_EQ(transformOf(frame), translationValues(11, 22, 33));
    }
}

TEST(FrameTransformTest, AnArrayOfOtherThanDoublesIsIgnored) {
    DXFrame frame;
    SafeArrayPtr floats(SafeArrayCreateVector(VT_R4, 0, 12));
    SAFEARRAY* raw = floats.get();
    EXPECT_EQ(frame.addTransform(0, &raw), S_OK);
    EXPECT_EQ(transformOf(frame), kIdentityValues);
}

TEST(FrameTransformTest, AnArrayOfTheWrongLengthIsRefusedAndChangesNothing) {
    DXFrame frame;
    ASSERT_EQ(addTransform(frame, 0, translationValues(1, 2, 3)), S_OK);
    for (size_t length : {11u, 13u, 0u}) {
        testing::internal::CaptureStdout();
        std::vector<double> values(length, 5.0);
        EXPECT_EQ(addTransform(frame, 0, values), E_INVALIDARG) << length;
        EXPECT_NE(testing::internal::GetCapturedStdout().find("FAILED HRESULT (0x80070057)"),
                  std::string::npos);
        EXPECT_EQ(transformOf(frame), translationValues(1, 2, 3));
    }
}

TEST(FrameTransformTest, TheLowerBoundDoesNotMatter) {
    DXFrame frame;
    SafeArrayPtr array = makeDoubleArray(translationValues(4, 5, 6), 5);
    SAFEARRAY* raw = array.get();
    EXPECT_EQ(frame.addTransform(0, &raw), S_OK);
    EXPECT_EQ(transformOf(frame), translationValues(4, 5, 6));
}

// ---- rotation ----

TEST(FrameRotationTest, AQuarterTurnAboutAnUnnormalisedAxis) {
    DXFrame frame;
    ASSERT_EQ(frame.addRotation(0, 0, 5, std::numbers::pi_v<float> / 2), S_OK);
    expectNear(transformOf(frame), kQuarterTurnZ);
}

TEST(FrameRotationTest, TheRotationAppliesAfterTheExistingTransform) {
    DXFrame frame;
    ASSERT_EQ(addTransform(frame, 0, translationValues(1, 0, 0)), S_OK);
    ASSERT_EQ(frame.addRotation(0, 0, 1, std::numbers::pi_v<float> / 2), S_OK);
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

// ---- world transform ----

TEST(FrameWorldTransformTest, TheWorldComposesEachAncestorAfterTheLocalTransform) {
    DXFrame root;
    DXFrame middle;
    DXFrame leaf;
    root.addChild(&middle);
    middle.addChild(&leaf);
    ASSERT_EQ(addTransform(root, 0, kQuarterTurnZ), S_OK);
    ASSERT_EQ(addTransform(middle, 0, translationValues(1, 0, 0)), S_OK);
    ASSERT_EQ(addTransform(leaf, 0, translationValues(0, 0, 2)), S_OK);

    EXPECT_EQ(worldTransformOf(root), kQuarterTurnZ);
    // (leaf x middle) translates by (1, 0, 2); the root then turns it to (0, 1, 2).
    EXPECT_EQ(worldTransformOf(leaf), (std::vector<double>{0, 1, 0, -1, 0, 0, 0, 0, 1, 0, 1, 2}));
    // The local transform is unaffected.
    EXPECT_EQ(transformOf(leaf), translationValues(0, 0, 2));
}

// ---- children ----

TEST(FrameChildrenTest, AddingAChildListsItAndSetsItsParent) {
    DXFrame parent;
    DXFrame child;
    ASSERT_EQ(parent.addChild(&child), S_OK);
    EXPECT_EQ(parent.children(), std::vector<DXFrame*>{&child});
    EXPECT_EQ(child.parent(), &parent);
}

TEST(FrameChildrenTest, AddingAChildOfAnotherFrameMovesIt) {
    DXFrame first;
    DXFrame second;
    DXFrame child;
    first.addChild(&child);
    ASSERT_EQ(second.addChild(&child), S_OK);
    EXPECT_TRUE(first.children().empty());
    EXPECT_EQ(second.children(), std::vector<DXFrame*>{&child});
    EXPECT_EQ(child.parent(), &second);
}

TEST(FrameChildrenTest, AddingTheSameChildTwiceLeavesOneOccurrenceAtTheEnd) {
    DXFrame parent;
    DXFrame a;
    DXFrame b;
    parent.addChild(&a);
    parent.addChild(&b);
    parent.addChild(&a);
    EXPECT_EQ(parent.children(), (std::vector<DXFrame*>{&b, &a}));
}

TEST(FrameChildrenTest, DeletingAFrameThatIsNotAChildOnlyClearsItsParent) {
    DXFrame parent;
    DXFrame stranger;
    DXFrame child;
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
    DXFrame root;
    DXFrame middle;
    DXFrame leaf;
    DXFrame viaVisual;
    root.addChild(&middle);
    middle.addChild(&leaf);
    leaf.addVisual(&viaVisual);

    testing::internal::CaptureStdout();
    EXPECT_EQ(root.addChild(&root), E_INVALIDARG);
    EXPECT_EQ(leaf.addChild(&root), E_INVALIDARG);
    EXPECT_EQ(viaVisual.addChild(&middle), E_INVALIDARG);
    EXPECT_EQ(leaf.addVisual(&root), E_INVALIDARG);
    EXPECT_EQ(leaf.addVisual(&leaf), E_INVALIDARG);
    EXPECT_EQ(root.addChild(nullptr), E_INVALIDARG);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("FAILED HRESULT (0x80070057) [87] in DXFrame.cpp"), std::string::npos);

    EXPECT_EQ(root.parent(), nullptr);
    EXPECT_EQ(middle.parent(), &root);
    EXPECT_EQ(root.children(), std::vector<DXFrame*>{&middle});
    EXPECT_EQ(leaf.children(), std::vector<DXFrame*>{});
    EXPECT_EQ(leaf.visuals(), std::vector<DXVisual*>{&viaVisual});
}

TEST(FrameChildrenTest, AFrameMayStandUnderTwoBranchesThatDoNotLoop) {
    DXFrame root;
    DXFrame left;
    DXFrame right;
    DXFrame shared;
    root.addChild(&left);
    root.addChild(&right);
    left.addChild(&shared);
    EXPECT_EQ(right.addVisual(&shared), S_OK);
    EXPECT_EQ(right.addChild(&left), S_OK);  // moves left under right, still no loop
    EXPECT_EQ(left.parent(), &right);
}

// ---- visuals ----

TEST(FrameVisualsTest, VisualsKeepTheirOrderAndDuplicates) {
    DXFrame frame;
    TestVisual a;
    TestVisual b;
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

// ---- diagnostic dump ----

TEST(FrameDumpTest, TheDumpWritesOneLinePerFrameChildrenBeforeVisuals) {
    DXFrame root;
    DXFrame child;
    DXFrame grandchild;
    TestVisual first("first");
    TestVisual second("second");
    root.addChild(&child);
    root.addVisual(&first);
    child.addChild(&grandchild);
    child.addVisual(&second);
    child.addVisual(&second);

    testing::internal::CaptureStdout();
    root.dump(0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              ".Frame (children: 1) (visuals: 1)\n"
              "..Frame (children: 1) (visuals: 2)\n"
              "...Frame (children: 0) (visuals: 0)\n"
              "Visual second 2\n"
              "Visual second 2\n"
              "Visual first 1\n");
}

}  // namespace
}  // namespace pelmora
