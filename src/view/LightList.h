// A viewport's lights in the order they were added, each under the id the
// device knows it by. Lights are held relative to the viewer: each render
// carries them through the inverse camera transform.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <vector>

namespace pelmora {

struct LightEntry {
    int id;
    D3DLIGHT9 light;
};

class LightList {
public:
    void add(int id, const D3DLIGHT9& light) { entries_.push_back(LightEntry{id, light}); }
    // Removes every entry with the id; nothing when none has it.
    void remove(int id);
    // Sets and enables each light in order; lights sharing an id replace one
    // another on the device, so the last of them is the one in effect.
    void apply(IDirect3DDevice9* device, const D3DMATRIX& inverseCamera) const;

    int count() const { return static_cast<int>(entries_.size()); }
    const std::vector<LightEntry>& entries() const { return entries_; }

private:
    std::vector<LightEntry> entries_;
};

}  // namespace pelmora
