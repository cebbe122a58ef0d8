#include "scene/DXFrame.h"
#include "scene/FrameMatrix.h"
#include "scene/RenderPass.h"
#include "support/RecordingDevice.h"
#include "support/TestViewport.h"
#include "support/TestVisual.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace pelmora {
namespace {

using test::RecordingDevice;
using test::TestViewport;
using test::TestVisual;

size_t countOf(const std::vector<DXVisual*>& list, const DXVisual* visual) {
    return static_cast<size_t>(std::count(list.begin(), list.end(), visual));
}

size_t countOf(const std::vector<DXFrame*>& list, const DXFrame* frame) {
    return static_cast<size_t>(std::count(list.begin(), list.end(), frame));
}

// Draws the frame's subtree once in the opaque pass.
void renderOpaque(DXFrame& frame) {
    RecordingDevice device;
    TestViewport viewport;
    D3DMATERIAL9 material{};
    material.Diffuse = {1, 1, 1, 1};
    const D3DMATRIX world = identityMatrix();
    translucentPass = false;
    EXPECT_EQ(frame.render(&device, &viewport, &world, &material, RenderAttributes{}), S_OK);
}

// ---- visibility and application data ----

TEST(VisualPropertiesTest, OnlyTheAutomationTrueValueMakesAVisualVisible) {
    TestVisual visual;
    EXPECT_TRUE(visual.isVisible());
    EXPECT_EQ(visual.setVisible(1), S_OK);
    EXPECT_FALSE(visual.isVisible());
    EXPECT_EQ(visual.setVisible(VARIANT_TRUE), S_OK);
    EXPECT_TRUE(visual.isVisible());
    EXPECT_EQ(visual.setVisible(VARIANT_FALSE), S_OK);
    EXPECT_FALSE(visual.isVisible());
}

TEST(VisualPropertiesTest, AHiddenFrameHidesItsWholeSubtree) {
    DXFrame root;
    DXFrame child;
    TestVisual inRoot("root");
    TestVisual inChild("child");
    root.addVisual(&inRoot);
    root.addChild(&child);
    child.addVisual(&inChild);

    root.setVisible(1);  // not VARIANT_TRUE: hides
    renderOpaque(root);
    EXPECT_TRUE(inRoot.draws().empty());
    EXPECT_TRUE(inChild.draws().empty());

    root.setVisible(VARIANT_TRUE);
    renderOpaque(root);
    EXPECT_EQ(inRoot.draws().size(), 1u);
    EXPECT_EQ(inChild.draws().size(), 1u);
}

TEST(VisualPropertiesTest, AppDataStartsAtZeroAndKeepsWhatTheHostSets) {
    TestVisual visual;
    DXFrame frame;
    int value = -1;
    EXPECT_EQ(visual.getAppData(&value), S_OK);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(frame.getAppData(&value), S_OK);
    EXPECT_EQ(value, 0);

    EXPECT_EQ(visual.setAppData(-123456), S_OK);
    frame.addVisual(&visual);
    renderOpaque(frame);
    EXPECT_EQ(visual.draws().size(), 1u);
    EXPECT_EQ(visual.getAppData(&value), S_OK);
    EXPECT_EQ(value, -123456);
}

// ---- destruction leaves no frame pointing at freed memory ----

TEST(VisualLifetimeTest, DestroyingAVisualRemovesItFromEveryFrameThatListsIt) {
    DXFrame first;
    DXFrame second;
    TestVisual keeper("keeper");
    auto doomed = std::make_unique<TestVisual>("doomed");
    first.addVisual(doomed.get());
    first.addVisual(&keeper);
    first.addVisual(doomed.get());
    second.addVisual(doomed.get());
    const DXVisual* gone = doomed.get();

    doomed.reset();
    EXPECT_EQ(countOf(first.visuals(), gone), 0u);
    EXPECT_EQ(countOf(second.visuals(), gone), 0u);
    EXPECT_EQ(first.visuals().size(), 1u);
    renderOpaque(first);
    EXPECT_EQ(keeper.draws().size(), 1u);
}

TEST(VisualLifetimeTest, DestroyingAFrameUnlinksItFromParentChildrenAndOtherLists) {
    DXFrame parent;
    DXFrame holder;  // lists the frame as a visual
    DXFrame grandchild;
    TestVisual visual;
    auto frame = std::make_unique<DXFrame>();
    parent.addChild(frame.get());
    holder.addVisual(frame.get());
    frame->addChild(&grandchild);
    frame->addVisual(&visual);
    const DXFrame* gone = frame.get();

    frame.reset();
    EXPECT_TRUE(parent.children().empty());
    EXPECT_TRUE(holder.visuals().empty());
    EXPECT_EQ(grandchild.parent(), nullptr);
    EXPECT_EQ(countOf(parent.children(), gone), 0u);
    renderOpaque(parent);
    renderOpaque(holder);
}

TEST(VisualLifetimeTest, AChildMovedElsewhereKeepsItsNewParentWhenTheOldOneGoes) {
    DXFrame newParent;
    DXFrame child;
    auto oldParent = std::make_unique<DXFrame>();
    oldParent->addChild(&child);
    newParent.deleteChild(&child);  // odd use: nulls the parent, old parent still lists it
    newParent.addChild(&child);
    ASSERT_EQ(countOf(oldParent->children(), &child), 1u);

    oldParent.reset();
    EXPECT_EQ(child.parent(), &newParent);
    EXPECT_EQ(countOf(newParent.children(), &child), 1u);
}

// Each case detaches first and destroys afterwards; a stale record of who
// lists whom would make the second destruction touch freed memory.
TEST(VisualLifetimeTest, DetachedObjectsOutliveTheFramesThatOnceListedThem) {
    auto visual = std::make_unique<TestVisual>();
    auto child = std::make_unique<DXFrame>();
    auto mover = std::make_unique<DXFrame>();
    {
        DXFrame a;
        DXFrame b;
        a.addVisual(visual.get());
        a.addVisual(visual.get());
        a.deleteVisual(visual.get());
        b.addVisual(visual.get());
        b.deleteAllVisuals();
        a.addChild(child.get());
        a.deleteChild(child.get());
        a.addChild(mover.get());
        b.addChild(mover.get());
        b.deleteChild(mover.get());
    }
    EXPECT_EQ(mover->parent(), nullptr);
    visual.reset();
    child.reset();
    mover.reset();
}

TEST(VisualLifetimeTest, AFrameListedAsChildAndVisualByOneFrameLeavesBoth) {
    DXFrame holder;
    auto frame = std::make_unique<DXFrame>();
    holder.addChild(frame.get());
    holder.addVisual(frame.get());
    holder.deleteChild(frame.get());
    EXPECT_EQ(holder.visuals().size(), 1u);  // still listed as a visual

    frame.reset();
    EXPECT_TRUE(holder.visuals().empty());
    EXPECT_TRUE(holder.children().empty());
}

}  // namespace
}  // namespace pelmora
