// The slots behind a handle table, and the rule that keeps a released handle
// dead. A handle's low 29 bits are a slot index (21 bits) and the slot's
// generation (8 bits). Freed slots wait in a first-in-first-out queue and are
// taken again only while at least 2^13 of them wait, so between two reuses of
// one slot at least 2^13 other handles are issued. A slot's generation comes
// round again after 2^8 reuses: a released handle names nothing for at least
// (2^8 - 1) x 2^13 (over two million) later issues from the same table.
// The price is 2^13 slots held back: a table keeps 2^21 - 2^13 (2,088,960)
// live objects at most. The storage for the held-back slots, a few more live
// ones and the queue is taken up front, so a process that creates and
// releases objects for ever (one at a time or a few thousand at once) keeps
// its footprint once its table has filled the hold-back, instead of growing
// the table in steps up to that size. Not locked; each table locks around it.
#pragma once

#include "core/RingQueue.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmora {

template <class Payload>
class RecycledSlots {
public:
    static constexpr uint32_t kIndexBits = 21;
    static constexpr uint32_t kGenerationBits = 8;
    static constexpr uint32_t kHandleBits = kIndexBits + kGenerationBits;
    static constexpr uint32_t kIndexMask = (1u << kIndexBits) - 1;
    static constexpr uint32_t kGenerationMask = (1u << kGenerationBits) - 1;
    static constexpr size_t kFreeSlotsHeldBack = size_t{1} << 13;
    // Live slots beyond the hold-back that fit the first storage.
    static constexpr size_t kLiveSlotsReserved = size_t{1} << 10;

    RecycledSlots() : freeSlots_(2 * kFreeSlotsHeldBack) {
        slots_.reserve(1 + kFreeSlotsHeldBack + kLiveSlotsReserved);
        slots_.emplace_back();  // slot 0 is never used, so no handle is 0
    }

    // The handle bits for a new payload, never 0; 0 when the table is full.
    uint32_t acquire(Payload payload) {
        uint32_t index;
        if (freeSlots_.size() >= kFreeSlotsHeldBack) {
            index = freeSlots_.front();
            freeSlots_.pop_front();
        } else {
            if (slots_.size() > kIndexMask) return 0;
            index = static_cast<uint32_t>(slots_.size());
            slots_.emplace_back();
        }
        Slot& slot = slots_[index];
        slot.generation = (slot.generation + 1) & kGenerationMask;
        slot.payload = std::move(payload);
        slot.live = true;
        ++live_;
        return (slot.generation << kIndexBits) | index;
    }

    // The live payload the bits name, or null for a dead or unknown handle.
    Payload* find(uint32_t bits) {
        const uint32_t index = bits & kIndexMask;
        const uint32_t generation = (bits >> kIndexBits) & kGenerationMask;
        if ((bits >> kHandleBits) != 0 || index == 0 || index >= slots_.size()) return nullptr;
        Slot& slot = slots_[index];
        if (!slot.live || slot.generation != generation) return nullptr;
        return &slot.payload;
    }
    const Payload* find(uint32_t bits) const { return const_cast<RecycledSlots*>(this)->find(bits); }

    // Frees the slot of live bits (as find accepts them) and hands its payload back.
    Payload release(uint32_t bits) {
        Slot& slot = slots_[bits & kIndexMask];
        slot.live = false;
        --live_;
        freeSlots_.push_back(bits & kIndexMask);
        return std::move(slot.payload);
    }

    size_t liveCount() const { return live_; }

private:
    struct Slot {
        Payload payload{};
        uint32_t generation = 0;
        bool live = false;
    };

    std::vector<Slot> slots_;
    RingQueue<uint32_t> freeSlots_;
    size_t live_ = 0;
};

}  // namespace pelmora
