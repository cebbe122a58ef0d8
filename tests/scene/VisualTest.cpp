#include "scene/DXFrame.h"
#include "scene/FrameMatrix.h"
#include "support/RecordingDevice.h"
#include "support/TestViewport.h"
#include "support/TestVisual.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace pelmora {
namespace {

using test::TestVisual;

// Draws the frame's subtree once in the opaque pass.
void renderOpaque(DXFrame& frame) {
    test::RecordingDevice device;
    test::TestViewport viewport;
    D3DMATERIAL9 material{};
    material.Diffuse = {1, 1, 1, 1};
    const D3DMATRIX world = identityMatrix();
    EXPECT_EQ(frame.render(&device, &viewport, &world, &material, RenderAttributes{}), S_OK);
}

// ---- visibility and application data ----

TEST(VisualPropertiesTest, OnlyTheAutomationTrueValueMakesAVisualVisible) {
    TestVisual visual;
    EXPECT_TRUE(visual.isVisible());
    const std::pair<int, bool> cases[] = {{1, false}, {VARIANT_TRUE, true}, {VARIANT_FALSE, false}};
    for (auto [value, visible] : cases) {
        EXPECT_EQ(visual.setVisible(value), S_OK);
        EXPECT_EQ(visual.isVisible(), visible) << value;
    }
}

TEST(VisualPropertiesTest, AppDataStartsAtZeroAndKeepsWhatTheHostSets) {
    TestVisual visual;
    DXFrame frame;
    int value = -1;
    EXPECT_EQ(frame.getAppData(&value), S_OK);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(visual.getAppData(&value), S_OK);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(visual.setAppData(-123456), S_OK);
    EXPECT_EQ(visual.getAppData(&value), S_OK);
    EXPECT_EQ(value, -123456);
}

// ---- destruction leaves no frame pointing at freed memory (AddressSanitizer watches) ----

TEST(VisualLifetimeTest, DestroyingAVisualRemovesItFromEveryFrameThatListsIt) {
    DXFrame first, second;
    TestVisual keeper("keeper");
    auto doomed = std::make_unique<TestVisual>("doomed");
    first.addVisual(doomed.get());
    first.addVisual(&keeper);
    first.addVisual(doomed.get());
    second.addVisual(doomed.get());

    doomed.reset();
    EXPECT_EQ(first.visuals(), std::vector<DXVisual*>{&keeper});
    EXPECT_TRUE(second.visuals().empty());
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

    frame.reset();
    EXPECT_TRUE(parent.children().empty());
    EXPECT_TRUE(holder.visuals().empty());
    EXPECT_EQ(grandchild.parent(), nullptr);
    renderOpaque(parent);
    renderOpaque(holder);
}

TEST(VisualLifetimeTest, AChildMovedElsewhereKeepsItsNewParentWhenTheOldOneGoes) {
    DXFrame newParent, child;
    auto oldParent = std::make_unique<DXFrame>();
    oldParent->addChild(&child);
    newParent.deleteChild(&child);  // odd use: nulls the parent, old parent still lists it
    newParent.addChild(&child);
    ASSERT_EQ(oldParent->children(), std::vector<DXFrame*>{&child});

    oldParent.reset();
    EXPECT_EQ(child.parent(), &newParent);
    EXPECT_EQ(newParent.children(), std::vector<DXFrame*>{&child});
}

// Each case detaches first and destroys afterwards; a stale record of who
// lists whom would make the second destruction touch freed memory.
TEST(VisualLifetimeTest, DetachedObjectsOutliveTheFramesThatOnceListedThem) {
    auto visual = std::make_unique<TestVisual>();
    auto child = std::make_unique<DXFrame>();
    auto mover = std::make_unique<DXFrame>();
    {
        DXFrame a, b;
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
