#include "mesh/SharedEdgeLists.h"

#include <algorithm>

namespace pelmora {

RestingEdges* SharedEdgeLists::request(IDirect3DDevice9* device, const SilhouetteLook& look, uint32_t key) {
    if (!look.valid) return nullptr;
    ++uses_;
    auto found = std::find_if(slots_.begin(), slots_.end(), [&](const Slot& slot) {
        return slot.device == device && slot.requests > 0 && slot.list.holds(look, key);
    });
    if (found == slots_.end()) {
        found = std::min_element(slots_.begin(), slots_.end(),
                                 [](const Slot& a, const Slot& b) { return a.lastUse < b.lastUse; });
        found->list.resting(look, key);
        found->device = device;
        found->requests = 0;
    }
    found->lastUse = uses_;
    ++found->requests;
    return found->requests >= 2 ? &found->list : nullptr;
}

void SharedEdgeLists::clear() {
    for (Slot& slot : slots_) {
        slot.list.clear();
        slot.device = nullptr;
        slot.requests = 0;
    }
}

}  // namespace pelmora
