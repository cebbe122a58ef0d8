// The meshes a render of a frame tree draws, each with its world transform,
// and a hierarchy of their world boxes above the meshes' own pick trees.
// The tree is walked as the render walks it: each frame's local transform
// composed onto its parent's world, hidden frames skipped with their
// subtrees, hidden and never-rendered meshes skipped. An index is built once
// and serves until the scene's generation moves on (a transform, the tree,
// a visibility or a mesh's geometry changed), so hover picks walk nothing.
#pragma once

#include "math/BoxTree.h"
#include "mesh/DXMesh.h"
#include "scene/DXFrame.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace pelmora {

// One drawing of a mesh: the frame that holds it and its world transform.
struct PlacedMesh {
    DXMesh* mesh = nullptr;
    const DXFrame* frame = nullptr;
    D3DMATRIX world{};
    bool billboard = false;  // picked around its anchor, in pixels
};

// The meshes a render of root draws, in the render's order (a frame's
// visuals, then its children); hidden ones too when includeHidden is set.
void placedMeshes(const DXFrame& root, bool includeHidden, std::vector<PlacedMesh>* placed);

class SceneIndex {
public:
    SceneIndex(const DXFrame& root, bool includeHidden);

    // Built from this root, with the same choice, and nothing changed since.
    bool serves(const DXFrame& root, bool includeHidden) const;

    const std::vector<PlacedMesh>& placed() const { return placed_; }
    // Over the placed meshes that have a box; tree item i is placed()[boxed()[i]].
    const BoxTree& tree() const { return tree_; }
    const std::vector<uint32_t>& boxed() const { return boxed_; }
    // The placed meshes without a box (billboards, meshes not yet fetched).
    const std::vector<uint32_t>& unboxed() const { return unboxed_; }
    // How far, along each world axis, a pick distance of 1 in world units
    // reaches at most once carried into any mesh's own space and back.
    const double* lineReach() const { return lineReach_; }

private:
    void addBox(uint32_t index, const ClipBox& local, std::vector<WorldBox>* boxes);

    const DXFrame* root_;
    bool includeHidden_;
    uint64_t generation_;
    std::vector<PlacedMesh> placed_;
    std::vector<uint32_t> boxed_, unboxed_;
    BoxTree tree_;
    double lineReach_[3] = {0.0, 0.0, 0.0};
};

// A viewport's indexes: one with hidden meshes, one without.
class SceneIndexCache {
public:
    const SceneIndex& indexOf(const DXFrame& root, bool includeHidden);

private:
    std::unique_ptr<SceneIndex> kept_[2];
};

}  // namespace pelmora
