// The silhouette lists of one geometry, shared by the meshes that draw it.
// In a parallel view every instance of a part that is only moved sees the
// part from the same direction, so the candidates that may show are the
// same for all of them: the list is made once, when a second draw asks for
// the same look, and each instance then draws it with one call instead of
// its candidate runs. A look only one mesh asks for is never listed here
// (each mesh's own resting list serves it), so views where no two instances
// agree make no buffers.
#pragma once

#include "mesh/RestingEdges.h"

#include <array>
#include <cstdint>

namespace pelmora {

class SharedEdgeLists {
public:
    // The list for this look, key and device, counted as asked for; null
    // while no second draw has asked for it since it became the newest.
    RestingEdges* request(IDirect3DDevice9* device, const SilhouetteLook& look, uint32_t key);
    // Lets every list go (the device's objects are being released).
    void clear();

private:
    struct Slot {
        RestingEdges list;
        IDirect3DDevice9* device = nullptr;
        uint32_t requests = 0;
        uint64_t lastUse = 0;
    };
    // A few directions at once: parts turned a quarter or half turn on a
    // board share theirs too.
    std::array<Slot, 8> slots_;
    uint64_t uses_ = 0;
};

}  // namespace pelmora
