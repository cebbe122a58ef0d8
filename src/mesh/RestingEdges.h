// The edges of a body that may show from a camera that has not moved since
// the body's last draw, listed in an index buffer of their own. While the
// camera moves, the vertex stage picks the edges that show out of the
// candidate runs at every frame; once it rests, the candidates that may show
// are listed once (a few more than the vertex stage shows, so it still
// decides and the picture stays the same) and the frames after draw only
// those. CAD views spend most of their frames at rest: a selection, a
// highlight, a host's redraw.
#pragma once

#include "mesh/SilhouetteBuffers.h"
#include "meshops/SilhouetteClusters.h"
#include "platform/com/ComPtr.h"

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace pelmora {

class RestingEdges {
public:
    // Which edges show: the silhouettes, or the borders on faces that turn
    // towards the eye (edges that are no face pair always show).
    enum class Show { Outline, Front };
    using Runs = std::span<const std::pair<uint32_t, uint32_t>>;

    // Whether the look and the key are those of the previous call: the
    // camera rests. A new look or key forgets the list. Whatever decides what
    // the list holds is in the key (the draw flags: any flag turned on or off
    // starts a new list) or forgets the list when it changes (clear: the
    // edges, their colour, shape and device), so a view at rest shows what
    // the same view shows after a move.
    bool resting(const SilhouetteLook& look, uint32_t key);
    // Whether the look and key are those the list was made for (or is to be).
    bool holds(const SilhouetteLook& look, uint32_t key) const;

    // Draws the resting look's edges from the edge batch, which is the
    // device's stream already; the list is made at the first draw from the
    // candidate runs (edge numbers in the batch, whose face pairs start
    // `unpaired` edges in).
    HRESULT draw(IDirect3DDevice9* device, const FeatureEdges& edges, Show show, Runs candidates, EdgeShape shape,
                 UINT batchVertices);

    // Forgets the look and lets the list go: the edge batch changed (its
    // colour, shape or device), and the list's indices with it.
    void clear();
    // Whether this look's list is made (draw needs no candidates then).
    bool listed() const { return listed_; }

private:
    HRESULT list(IDirect3DDevice9* device, const FeatureEdges& edges, Show show, Runs candidates, EdgeShape shape,
                 UINT batchVertices);
    bool mayShow(const FeatureEdges& edges, uint32_t edge, Show show) const;

    SilhouetteLook look_{};
    uint32_t key_ = 0;
    bool known_ = false;
    bool listed_ = false;
    ComPtr<IDirect3DIndexBuffer9> indices_;
    UINT primitives_ = 0;
    std::vector<uint32_t> scratch_;
};

}  // namespace pelmora
