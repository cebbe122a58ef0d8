// The window and GDI handle tables: a removed handle stays dead while its
// slot serves later objects.
#include "platform/win/HandleSlots.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using pelmora::win::HandleSlots;

TEST(HandleSlots, ARemovedHandleStaysDeadForAMillionLaterHandles) {
    HandleSlots<int> table(pelmora::HandleTag::GdiObject);
    auto object = std::make_shared<int>(7);
    const int removed = table.add(object);
    ASSERT_GT(removed, 0);
    EXPECT_EQ(table.remove(removed), object);
    int revived = 0;
    for (int cycle = 0; cycle < (1 << 20); ++cycle) {
        const int handle = table.add(object);
        if (handle == removed || table.find(removed) != nullptr) ++revived;
        table.remove(handle);
    }
    EXPECT_EQ(revived, 0);
    EXPECT_EQ(table.size(), 0u);
    EXPECT_EQ(table.remove(removed), nullptr);
}

TEST(HandleSlots, HandlesOfOneTableNeverResolveInAnother) {
    HandleSlots<int> windows(pelmora::HandleTag::Window);
    HandleSlots<int> bitmaps(pelmora::HandleTag::GdiObject);
    const int window = windows.add(std::make_shared<int>(1));
    const int bitmap = bitmaps.add(std::make_shared<int>(2));
    EXPECT_GT(window, 0);
    EXPECT_GT(bitmap, 0);
    EXPECT_EQ(windows.find(bitmap), nullptr);
    EXPECT_EQ(bitmaps.find(window), nullptr);
    EXPECT_EQ(*windows.find(window), 1);
    EXPECT_EQ(windows.find(0), nullptr);
    EXPECT_EQ(windows.find(-window), nullptr);
}

}  // namespace
