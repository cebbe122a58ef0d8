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
    // The scene tag is 0, so a full table still answers 0.
    static_assert(tagBits(HandleTag::Scene) == 0);
    const int handle = static_cast<int>(tagBits(HandleTag::Scene) | slots_.acquire(Entry{object, kind}));
    if (handle != 0) object->handle_ = handle;
    return handle;
}

const HandleTable::Entry* HandleTable::entryFor(int handle) const {
    if (handle <= 0 || tagOf(handle) != HandleTag::Scene) return nullptr;
    return slots_.find(static_cast<uint32_t>(handle));
}

DXObject* HandleTable::lookup(int handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Entry* entry = entryFor(handle);
    return entry ? entry->object : nullptr;
}

bool HandleTable::kindOf(int handle, HandleKind* kind) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Entry* entry = entryFor(handle);
    if (!entry) return false;
    *kind = entry->kind;
    return true;
}

void HandleTable::retire(int handle, const DXObject* object) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Entry* entry = entryFor(handle);
    if (!entry || entry->object != object) return;
    slots_.release(static_cast<uint32_t>(handle));
}

size_t HandleTable::liveCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return slots_.liveCount();
}

}  // namespace pelmora
