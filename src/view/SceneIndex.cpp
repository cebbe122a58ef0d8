#include "view/SceneIndex.h"

#include "mesh/DXBillboard.h"
#include "scene/FrameMatrix.h"
#include "scene/SceneGeneration.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace pelmora {

namespace {

// A world box is pushed out by this share of the coordinates' size: a hit
// point or a projected vertex computed in single precision may lie that far
// outside the box computed in double, and must not be culled.
constexpr double kRoundingShare = 1e-5;

void walk(const DXFrame& frame, const D3DMATRIX& parentWorld, bool includeHidden, std::vector<PlacedMesh>* placed) {
    if (!frame.isVisible()) return;
    const D3DMATRIX world = composeWorld(frame.localTransform(), parentWorld);
    for (DXVisual* visual : frame.visuals()) {
        auto* mesh = dynamic_cast<DXMesh*>(visual);
        if (mesh == nullptr || mesh->neverRender() || (!mesh->isVisible() && !includeHidden)) continue;
        placed->push_back({mesh, &frame, world, dynamic_cast<const DXBillboard*>(mesh) != nullptr});
    }
    for (const DXFrame* child : frame.children())
        if (child != nullptr) walk(*child, world, includeHidden, placed);
}

double determinant(const D3DMATRIX& m) {
    return double(m._11) * (double(m._22) * m._33 - double(m._23) * m._32) -
           double(m._12) * (double(m._21) * m._33 - double(m._23) * m._31) +
           double(m._13) * (double(m._21) * m._32 - double(m._22) * m._31);
}

}  // namespace

void placedMeshes(const DXFrame& root, bool includeHidden, std::vector<PlacedMesh>* placed) {
    placed->clear();
    walk(root, identityMatrix(), includeHidden, placed);
}

SceneIndex::SceneIndex(const DXFrame& root, bool includeHidden)
    : root_(&root), includeHidden_(includeHidden), generation_(sceneGeneration()) {
    placedMeshes(root, includeHidden, &placed_);
    std::vector<WorldBox> boxes;
    for (uint32_t i = 0; i < placed_.size(); ++i) {
        if (const std::optional<ClipBox> local = placed_[i].mesh->localBounds())
            addBox(i, *local, &boxes);
        else
            unboxed_.push_back(i);
    }
    tree_ = BoxTree(boxes);
}

bool SceneIndex::serves(const DXFrame& root, bool includeHidden) const {
    return root_ == &root && includeHidden_ == includeHidden && generation_ == sceneGeneration();
}

void SceneIndex::addBox(uint32_t index, const ClipBox& local, std::vector<WorldBox>* boxes) {
    const D3DMATRIX& m = placed_[index].world;
    const double rows[3][3] = {{m._11, m._12, m._13}, {m._21, m._22, m._23}, {m._31, m._32, m._33}};
    const double translation[3] = {m._41, m._42, m._43};
    double centre[3], half[3], size = 0.0;
    for (int i = 0; i < 3; ++i) {
        centre[i] = 0.5 * (double(local.minimum[i]) + local.maximum[i]);
        half[i] = 0.5 * (double(local.maximum[i]) - local.minimum[i]);
        size = std::max({size, std::fabs(double(local.minimum[i])), std::fabs(double(local.maximum[i]))});
    }
    const double det = determinant(m);
    const double scale = std::isfinite(det) && det != 0.0 ? std::cbrt(std::fabs(det)) : 0.0;
    WorldBox box;
    for (int j = 0; j < 3; ++j) {
        double middle = translation[j], extent = 0.0, stretch = 0.0;
        for (int i = 0; i < 3; ++i) {
            middle += centre[i] * rows[i][j];
            extent += half[i] * std::fabs(rows[i][j]);
            stretch += std::fabs(rows[i][j]);
        }
        extent += kRoundingShare * (stretch * size + std::fabs(translation[j]));
        box.minimum[j] = middle - extent;
        box.maximum[j] = middle + extent;
        if (scale > 0.0) lineReach_[j] = std::max(lineReach_[j], stretch / scale);
    }
    boxed_.push_back(index);
    boxes->push_back(box);
}

const SceneIndex& SceneIndexCache::indexOf(const DXFrame& root, bool includeHidden) {
    std::unique_ptr<SceneIndex>& kept = kept_[includeHidden ? 1 : 0];
    if (!kept || !kept->serves(root, includeHidden)) kept = std::make_unique<SceneIndex>(root, includeHidden);
    return *kept;
}

}  // namespace pelmora
