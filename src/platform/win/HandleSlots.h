// A process-wide table from 32-bit handles to platform objects (windows, GDI
// objects). A handle packs a table tag, a generation count and a slot index:
// never 0, never negative, a handle from one table never resolves in another,
// and a removed handle stays dead after its slot is reused. Objects are shared
// so that a caller holding one keeps it alive while another thread removes it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace pelmora::win {

template <class T>
class HandleSlots {
public:
    // tag is 1, 2 or 3; each table takes its own.
    explicit HandleSlots(uint32_t tag) : tag_(tag & kTagMask) {}

    // Issues a handle for the object; 0 when the table is full.
    int add(std::shared_ptr<T> object) {
        std::lock_guard<std::mutex> lock(mutex_);
        uint32_t index;
        if (!freeSlots_.empty()) {
            index = freeSlots_.back();
            freeSlots_.pop_back();
        } else {
            if (slots_.size() > kSlotMask) return 0;
            index = static_cast<uint32_t>(slots_.size());
            slots_.emplace_back();
        }
        Slot& slot = slots_[index];
        slot.generation = slot.generation % kGenerationLimit + 1;
        slot.object = std::move(object);
        return static_cast<int>((tag_ << kTagShift) | (slot.generation << kSlotBits) | index);
    }

    // The live object a handle names, or null.
    std::shared_ptr<T> find(int handle) const {
        std::lock_guard<std::mutex> lock(mutex_);
        const Slot* slot = slotFor(handle);
        return slot ? slot->object : nullptr;
    }

    // Forgets the handle and hands its object back; null for a dead handle.
    std::shared_ptr<T> remove(int handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        Slot* slot = const_cast<Slot*>(slotFor(handle));
        if (!slot) return nullptr;
        freeSlots_.push_back(uint32_t(handle) & kSlotMask);
        return std::move(slot->object);
    }

    size_t size() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return slots_.size() - 1 - freeSlots_.size();
    }

private:
    struct Slot {
        std::shared_ptr<T> object;
        uint32_t generation = 0;
    };

    static constexpr uint32_t kSlotBits = 18;
    static constexpr uint32_t kSlotMask = (1u << kSlotBits) - 1;
    static constexpr uint32_t kTagShift = 29;
    static constexpr uint32_t kTagMask = 3;
    static constexpr uint32_t kGenerationLimit = (1u << (kTagShift - kSlotBits)) - 1;

    const Slot* slotFor(int handle) const {
        if (handle <= 0) return nullptr;
        uint32_t bits = uint32_t(handle);
        if ((bits >> kTagShift) != tag_) return nullptr;
        uint32_t index = bits & kSlotMask;
        uint32_t generation = (bits >> kSlotBits) & kGenerationLimit;
        if (index == 0 || index >= slots_.size()) return nullptr;
        const Slot& slot = slots_[index];
        if (!slot.object || slot.generation != generation) return nullptr;
        return &slot;
    }

    const uint32_t tag_;
    mutable std::mutex mutex_;
    std::vector<Slot> slots_{1};  // slot 0 is never used, so no handle is 0
    std::vector<uint32_t> freeSlots_;
};

}  // namespace pelmora::win
