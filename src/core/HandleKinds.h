// Every kind of 32-bit handle the engine hands out, in one table. A handle
// is the slot bits of RecycledSlots (slot index and generation) under a
// table tag in the two bits just below the sign bit: never 0, never
// negative, and a handle of one table never resolves in another. The scene
// table (frames, visuals, viewports, mesh providers) keeps tag 0 and
// records each object's kind beside its slot.
#pragma once

#include "core/RecycledSlots.h"

#include <cstdint>
#include <iterator>

namespace pelmora {

// The tables, by tag.
enum class HandleTag : uint32_t {
    Scene = 0,         // HandleTable: the interface's objects
    Window = 1,        // win::HandleSlots<Window>: offscreen and X11 windows
    GdiObject = 2,     // win::HandleSlots<GdiObject>: bitmaps and device contexts
    FacetFactory = 3,  // FacetFactoryRegistry: the host's facet factories
};

// What a scene-table handle names, recorded per slot.
enum class HandleKind : uint8_t {
    Frame,
    Visual,
    Viewport,
    MeshProvider,
};

inline constexpr uint32_t kHandleTagShift = RecycledSlots<int>::kHandleBits;
inline constexpr uint32_t kHandleTagMask = 3;
inline constexpr uint32_t kHandleSlotMask = (1u << kHandleTagShift) - 1;

constexpr uint32_t tagBits(HandleTag tag) { return uint32_t(tag) << kHandleTagShift; }
constexpr HandleTag tagOf(int handle) { return HandleTag((uint32_t(handle) >> kHandleTagShift) & kHandleTagMask); }

inline constexpr HandleTag kHandleTags[] = {HandleTag::Scene, HandleTag::Window, HandleTag::GdiObject,
                                            HandleTag::FacetFactory};

namespace handle_kinds_detail {

constexpr bool tagsApart() {
    for (size_t i = 0; i < std::size(kHandleTags); ++i) {
        if ((tagBits(kHandleTags[i]) & kHandleSlotMask) != 0) return false;
        if (tagBits(kHandleTags[i]) >> 31 != 0) return false;
        for (size_t j = i + 1; j < std::size(kHandleTags); ++j)
            if (kHandleTags[i] == kHandleTags[j]) return false;
    }
    return true;
}

}  // namespace handle_kinds_detail

static_assert(kHandleTagShift + 2 == 31, "the tag sits just below the sign bit");
static_assert(handle_kinds_detail::tagsApart(),
              "each table has a tag of its own, clear of the slot bits and of the sign");

}  // namespace pelmora
