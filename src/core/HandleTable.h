// The process-wide table from 32-bit handles to objects. A handle is a slot
// index plus a generation count: never 0, never negative, and a released
// handle stays dead for at least two million later handles (RecycledSlots).
// It carries the scene tag of HandleKinds.h, so a handle from another table
// never names a scene object and the other way round.
#pragma once

#include "core/HandleKinds.h"
#include "core/RecycledSlots.h"

#include <cstdint>
#include <mutex>

namespace pelmora {

class DXObject;

class HandleTable {
public:
    static HandleTable& instance();

    // Issues a handle for the object and records it in the object; 0 when
    // the table is full.
    int issue(DXObject* object, HandleKind kind);

    // The live object a handle names, or null for 0, a retired handle or a
    // value that was never issued.
    DXObject* lookup(int handle) const;
    bool kindOf(int handle, HandleKind* kind) const;

    // Forgets the handle; called by the object's destructor.
    void retire(int handle, const DXObject* object);

    size_t liveCount() const;

private:
    struct Entry {
        DXObject* object = nullptr;
        HandleKind kind = HandleKind::Visual;
    };

    const Entry* entryFor(int handle) const;

    mutable std::mutex mutex_;
    RecycledSlots<Entry> slots_;
};

// Resolves a handle to an object of type T (a frame, any visual, a viewport),
// or null when the handle names nothing of that type.
template <class T>
T* resolveHandle(int handle) {
    return dynamic_cast<T*>(HandleTable::instance().lookup(handle));
}

}  // namespace pelmora
