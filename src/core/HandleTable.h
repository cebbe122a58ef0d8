// The process-wide table from 32-bit handles to objects. A handle is a slot
// index plus a generation count: never 0, never negative, and a released
// handle stays dead even after its slot is reused. Its two bits below the sign
// stay 0, where the window and GDI tables put their tags, so a handle from one
// of those tables never names a scene object and the other way round.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace pelmora {

class DXObject;

enum class HandleKind : uint8_t {
    Frame,
    Visual,
    Viewport,
    MeshProvider,
};

class HandleTable {
public:
    static HandleTable& instance();

    // Issues a handle for the object and records it in the object.
    int issue(DXObject* object, HandleKind kind);

    // The live object a handle names, or null for 0, a retired handle or a
    // value that was never issued.
    DXObject* lookup(int handle) const;
    bool kindOf(int handle, HandleKind* kind) const;

    // Forgets the handle; called by the object's destructor.
    void retire(int handle, const DXObject* object);

    size_t liveCount() const;

private:
    struct Slot {
        DXObject* object = nullptr;
        uint16_t generation = 0;
        HandleKind kind = HandleKind::Visual;
    };

    static constexpr int kSlotBits = 20;
    static constexpr int kTagShift = 29;
    static constexpr uint32_t kSlotMask = (1u << kSlotBits) - 1;
    static constexpr uint16_t kGenerationLimit = 1u << (kTagShift - kSlotBits);

    const Slot* slotFor(int handle) const;

    mutable std::mutex mutex_;
    std::vector<Slot> slots_{1};  // slot 0 is never used, so no handle is 0
    std::vector<uint32_t> freeSlots_;
    size_t live_ = 0;
};

// Resolves a handle to an object of type T (a frame, any visual, a viewport),
// or null when the handle names nothing of that type.
template <class T>
T* resolveHandle(int handle) {
    return dynamic_cast<T*>(HandleTable::instance().lookup(handle));
}

}  // namespace pelmora
