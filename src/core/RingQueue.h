// A first-in-first-out queue over one vector used as a ring. Unlike a deque,
// which allocates and frees a block every few hundred entries as the queue
// moves through memory, a queue whose length stays within its capacity never
// allocates: a long-running process that pushes one and pops one keeps its
// footprint. It grows (doubling, order kept) only when more entries wait
// than it has room for.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace pelmora {

template <class T>
class RingQueue {
public:
    explicit RingQueue(size_t capacity = 16) : ring_(capacity > 0 ? capacity : 1) {}

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    size_t capacity() const { return ring_.size(); }

    void push_back(T value) {
        if (size_ == ring_.size()) grow();
        ring_[(head_ + size_) % ring_.size()] = std::move(value);
        ++size_;
    }

    // Not for an empty queue.
    const T& front() const { return ring_[head_]; }
    void pop_front() {
        head_ = (head_ + 1) % ring_.size();
        --size_;
    }

private:
    void grow() {
        std::vector<T> larger(2 * ring_.size());
        for (size_t i = 0; i < size_; ++i) larger[i] = std::move(ring_[(head_ + i) % ring_.size()]);
        ring_ = std::move(larger);
        head_ = 0;
    }

    std::vector<T> ring_;
    size_t head_ = 0;
    size_t size_ = 0;
};

}  // namespace pelmora
