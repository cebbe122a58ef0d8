// What the meshes drawing one geometry share for their edges: the edge
// buffers (one set per colour and shape, not one per instance), the
// silhouette lists, and the thin outlines found for the merged draw. In a
// parallel view every instance of a part that is only moved sees the part
// from the same direction, so the candidates that may show are the same for
// all of them: a look's list is made once, when a second draw asks for it,
// and each instance then draws it with one call instead of its candidate
// runs. A look only one mesh asks for is never listed here (each mesh's own
// resting list serves it), so views where no two instances agree make no
// buffers.
#pragma once

#include "mesh/RestingEdges.h"
#include "mesh/SilhouetteBuffers.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace pelmora {

class SharedEdges {
public:
    // The list for this look, key and device, counted as asked for; null
    // while no second draw has asked for it since it became the newest.
    RestingEdges* request(IDirect3DDevice9* device, const SilhouetteLook& look, uint32_t key);
    // The edge buffers of `edges` in this colour and shape on this device,
    // made by the first mesh that asks and kept while a mesh holds them.
    std::shared_ptr<MeshBatch> batch(IDirect3DDevice9* device, const FeatureEdges& edges, D3DCOLOR colour,
                                     EdgeShape shape);
    // The silhouettes seen from this look, as point pairs in the geometry's
    // space, for the merged outlines: found by the first instance that draws
    // from the look (`find` fills the list), then kept for the others.
    template <class Find>
    const std::vector<D3DXVECTOR3>& outlines(const SilhouetteLook& look, uint32_t key, Find&& find);
    // Lets every list and buffer go (the device's objects are being released).
    void clear();

private:
    struct Slot {
        RestingEdges list;
        IDirect3DDevice9* device = nullptr;
        uint32_t requests = 0;
        uint64_t lastUse = 0;
    };
    struct Batch {
        const FeatureEdges* edges;
        D3DCOLOR colour;
        EdgeShape shape;
        std::weak_ptr<MeshBatch> held;
    };
    // A few directions at once: parts turned a quarter or half turn on a
    // board share theirs too.
    std::array<Slot, 8> slots_;
    uint64_t uses_ = 0;
    std::vector<Batch> batches_;
    struct Outline {
        SilhouetteLook look;
        uint32_t key = 0;
        bool known = false;
        uint64_t lastUse = 0;
        std::vector<D3DXVECTOR3> points;
    };
    std::array<Outline, 8> outlines_;
};

template <class Find>
const std::vector<D3DXVECTOR3>& SharedEdges::outlines(const SilhouetteLook& look, uint32_t key, Find&& find) {
    ++uses_;
    auto found = std::find_if(outlines_.begin(), outlines_.end(), [&](const Outline& outline) {
        return outline.known && outline.key == key && sameLook(outline.look, look);
    });
    if (found == outlines_.end()) {
        found = std::min_element(outlines_.begin(), outlines_.end(),
                                 [](const Outline& a, const Outline& b) { return a.lastUse < b.lastUse; });
        *found = Outline{look, key, true, 0, std::move(found->points)};
        found->points.clear();
        find(&found->points);
    }
    found->lastUse = uses_;
    return found->points;
}

}  // namespace pelmora
