#include "core/HandleTable.h"

#include "core/DXObject.h"

namespace pelmora {

HandleTable& HandleTable::instance() {
    // Never destroyed: objects released during static destruction still retire their handles.
    static HandleTable* table = new HandleTable();
    return *table;
}

int HandleTable::issue(DXObject* object, HandleKind kind) {
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
    slot.generation = static_cast<uint16_t>(slot.generation % (kGenerationLimit - 1) + 1);
    slot.object = object;
    slot.kind = kind;
    ++live_;
    int handle = static_cast<int>((uint32_t(slot.generation) << kSlotBits) | index);
    object->handle_ = handle;
    return handle;
}

const HandleTable::Slot* HandleTable::slotFor(int handle) const {
    if (handle <= 0 || (uint32_t(handle) >> kTagShift) != 0) return nullptr;
    uint32_t index = uint32_t(handle) & kSlotMask;
    uint32_t generation = uint32_t(handle) >> kSlotBits;
    if (index == 0 || index >= slots_.size()) return nullptr;
    const Slot& slot = slots_[index];
    if (slot.object == nullptr || slot.generation != generation) return nullptr;
    return &slot;
}

DXObject* HandleTable::lookup(int handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Slot* slot = slotFor(handle);
    return slot ? slot->object : nullptr;
}

bool HandleTable::kindOf(int handle, HandleKind* kind) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Slot* slot = slotFor(handle);
    if (!slot) return false;
    *kind = slot->kind;
    return true;
}

void HandleTable::retire(int handle, const DXObject* object) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Slot* found = slotFor(handle);
    if (!found || found->object != object) return;
    uint32_t index = uint32_t(handle) & kSlotMask;
    slots_[index].object = nullptr;
    freeSlots_.push_back(index);
    --live_;
}

size_t HandleTable::liveCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return live_;
}

}  // namespace pelmora
