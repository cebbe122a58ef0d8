#include "mesh/SharedEdges.h"

#include <algorithm>

namespace pelmora {

RestingEdges* SharedEdges::request(IDirect3DDevice9* device, const SilhouetteLook& look, uint32_t key) {
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

std::shared_ptr<MeshBatch> SharedEdges::batch(IDirect3DDevice9* device, const FeatureEdges& edges,
                                               D3DCOLOR colour, EdgeShape shape) {
    std::erase_if(batches_, [](const Batch& batch) { return batch.held.expired(); });
    for (const Batch& batch : batches_) {
        std::shared_ptr<MeshBatch> held = batch.held.lock();
        if (held && held->madeOn(device) && batch.edges == &edges && batch.colour == colour && batch.shape == shape)
            return held;
    }
    std::shared_ptr<MeshBatch> made = makeSilhouetteBatch(device, edges, colour, shape);
    if (made->vertexBuffer) batches_.push_back({&edges, colour, shape, made});
    return made;
}

void SharedEdges::clear() {
    batches_.clear();
    for (Slot& slot : slots_) {
        slot.list.clear();
        slot.device = nullptr;
        slot.requests = 0;
    }
}

}  // namespace pelmora
