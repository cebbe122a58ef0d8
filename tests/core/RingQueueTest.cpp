// The ring behind the handle tables' free-slot queue: first in, first out
// across the wrap of the ring and across its growth, and no growth while the
// queue stays within its room.
#include "core/RingQueue.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace {

using pelmora::RingQueue;

// Pushes and pops in rounds (push `in`, then pop `out`), checking every
// value against a deque doing the same.
struct Rounds {
    const char* name;
    size_t capacity;
    int rounds;
    int in;
    int out;
};

TEST(RingQueue, KeepsFirstInFirstOutAcrossWrapsAndGrowth) {
    const Rounds cases[] = {
        {"one in, one out, wrapping many times", 4, 1000, 1, 1},
        {"filling past the room while wrapped", 4, 40, 5, 3},
        {"a burst then draining", 8, 3, 100, 90},
        {"room of one", 1, 50, 3, 2},
    };
    for (const Rounds& c : cases) {
        RingQueue<int> ring(c.capacity);
        std::deque<int> expected;
        int next = 0;
        for (int round = 0; round < c.rounds; ++round) {
            for (int i = 0; i < c.in; ++i) {
                ring.push_back(next);
                expected.push_back(next++);
            }
            for (int i = 0; i < c.out && !expected.empty(); ++i) {
                ASSERT_EQ(ring.front(), expected.front()) << c.name << ", round " << round;
                ring.pop_front();
                expected.pop_front();
            }
            ASSERT_EQ(ring.size(), expected.size()) << c.name;
        }
        while (!expected.empty()) {
            ASSERT_EQ(ring.front(), expected.front()) << c.name;
            ring.pop_front();
            expected.pop_front();
        }
        EXPECT_TRUE(ring.empty()) << c.name;
    }
}

TEST(RingQueue, AQueueWithinItsRoomNeverGrows) {
    RingQueue<int> ring(64);
    for (int i = 0; i < 64; ++i) ring.push_back(i);
    for (int i = 0; i < 100000; ++i) {
        ring.pop_front();
        ring.push_back(i);
    }
    EXPECT_EQ(ring.capacity(), 64u);
    EXPECT_EQ(ring.size(), 64u);
}

}  // namespace
