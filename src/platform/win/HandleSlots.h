// A process-wide table from 32-bit handles to platform objects (windows, GDI
// objects). A handle packs its table's tag (HandleKinds.h) above the slot bits:
// never 0, never negative, a handle from one table never resolves in another,
// and a removed handle stays dead for at least two million later handles of
// its table. Objects are shared so that a caller holding one keeps it alive
// while another thread removes it.
#pragma once

#include "core/HandleKinds.h"
#include "core/RecycledSlots.h"

#include <cstdint>
#include <memory>
#include <mutex>

namespace pelmora::win {

template <class T>
class HandleSlots {
public:
    // Each table takes its own tag.
    explicit HandleSlots(HandleTag tag) : tag_(tag) {}

    // Issues a handle for the object; 0 when the table is full.
    int add(std::shared_ptr<T> object) {
        std::lock_guard<std::mutex> lock(mutex_);
        const uint32_t bits = slots_.acquire(std::move(object));
        if (bits == 0) return 0;
        return static_cast<int>(tagBits(tag_) | bits);
    }

    // The live object a handle names, or null.
    std::shared_ptr<T> find(int handle) const {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::shared_ptr<T>* slot = slotFor(handle);
        return slot ? *slot : nullptr;
    }

    // Forgets the handle and hands its object back; null for a dead handle.
    std::shared_ptr<T> remove(int handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!slotFor(handle)) return nullptr;
        return slots_.release(slotBits(handle));
    }

    size_t size() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return slots_.liveCount();
    }

private:
    using Slots = RecycledSlots<std::shared_ptr<T>>;
    static_assert(Slots::kHandleBits == kHandleTagShift, "the tag sits just above the slot bits");

    static uint32_t slotBits(int handle) { return uint32_t(handle) & kHandleSlotMask; }

    const std::shared_ptr<T>* slotFor(int handle) const {
        if (handle <= 0 || tagOf(handle) != tag_) return nullptr;
        return slots_.find(slotBits(handle));
    }

    const HandleTag tag_;
    mutable std::mutex mutex_;
    Slots slots_;
};

}  // namespace pelmora::win
