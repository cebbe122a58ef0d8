// The scene read-back exports of host.h: what a frame lists, what a visual
// is, and the deviation a viewport's meshes are drawn at, which hosts that
// walk the tree themselves (the fitting helpers) build on; and the scene
// pick and rectangle selection over the viewport's kept scene index.
#include <pelmora/host.h>

#include "core/GuardedCall.h"
#include "core/HandleResolution.h"
#include "mesh/DXBillboard.h"
#include "mesh/DXDecal.h"
#include "mesh/DXMesh.h"
#include "scene/DXFrame.h"
#include "view/DXViewport.h"
#include "view/RectangleSelection.h"
#include "view/ScenePick.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pelmora {

namespace {

int kindOf(const DXVisual& visual) {
    if (dynamic_cast<const DXFrame*>(&visual)) return PELMORA_VISUAL_FRAME;
    if (dynamic_cast<const DXBillboard*>(&visual)) return PELMORA_VISUAL_BILLBOARD;
    if (dynamic_cast<const DXDecal*>(&visual)) return PELMORA_VISUAL_DECAL;
    return PELMORA_VISUAL_MESH;
}

PelmoraVisualInfo infoOf(const DXVisual& visual) {
    int flags = visual.isVisible() ? 0 : PELMORA_VISUAL_HIDDEN;
    const auto* mesh = dynamic_cast<const DXMesh*>(&visual);
    if (mesh && mesh->neverRender()) flags |= PELMORA_VISUAL_NEVER_RENDER;
    return PelmoraVisualInfo{visual.handle(), kindOf(visual), flags};
}

// The visuals first, then the child frames: the order a render walks them.
std::vector<const DXVisual*> walkOrder(const DXFrame& frame) {
    std::vector<const DXVisual*> listed;
    listed.reserve(frame.visuals().size() + frame.children().size());
    for (const DXVisual* visual : frame.visuals())
        if (visual) listed.push_back(visual);
    for (const DXFrame* child : frame.children())
        if (child) listed.push_back(child);
    return listed;
}

}  // namespace

}  // namespace pelmora

using namespace pelmora;

PELMORA_API HRESULT PelmoraGetVisualInfo(int hVisual, PelmoraVisualInfo* info) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(info);
        PELMORA_RESOLVE(DXVisual, visual, hVisual);
        *info = infoOf(*visual);
        return S_OK;
    });
}

PELMORA_API HRESULT PelmoraGetFrameContents(int hFrame, PelmoraVisualInfo* entries, int capacity,
                                            int* count) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(count);
        if (capacity < 0 || (capacity > 0 && !entries)) {
            logFormat("PelmoraGetFrameContents: no room for %d entries\n", capacity);
            return PELMORA_TRACE_FAILED(E_INVALIDARG);
        }
        PELMORA_RESOLVE(DXFrame, frame, hFrame);
        const std::vector<const DXVisual*> listed = walkOrder(*frame);
        const size_t copied = std::min(listed.size(), static_cast<size_t>(capacity));
        for (size_t i = 0; i < copied; ++i) entries[i] = infoOf(*listed[i]);
        *count = static_cast<int>(listed.size());
        return S_OK;
    });
}

PELMORA_API HRESULT PelmoraGetViewportDeviation(int hViewport, double* deviation) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(deviation);
        PELMORA_RESOLVE(DXViewport, viewport, hViewport);
        *deviation = viewport->refinementDeviation();
        return S_OK;
    });
}

namespace {

HRESULT checkFlags(const char* operation, int flags) {
    if ((flags & ~PELMORA_PICK_HIDDEN) == 0) return S_OK;
    logFormat("%s: unknown flags 0x%x\n", operation, unsigned(flags));
    return PELMORA_TRACE_FAILED(E_INVALIDARG);
}

PelmoraSceneHit hitRecord(const PlacedMesh& placed) {
    return PelmoraSceneHit{placed.mesh->handle(), placed.frame->handle(), 0.0, 0.0, 0.0, 0.0};
}

}  // namespace

PELMORA_API HRESULT PelmoraPickScene(int hViewport, int hRootFrame, int x, int y, double lineThreshold,
                                     int flags, PelmoraSceneHit* hit) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(hit);
        *hit = PelmoraSceneHit{};
        PELMORA_RETURN_IF_FAILED(checkFlags("PelmoraPickScene", flags));
        if (std::isnan(lineThreshold)) {
            logMessage("PelmoraPickScene: the line threshold is not a number\n");
            return PELMORA_TRACE_FAILED(E_INVALIDARG);
        }
        PELMORA_RESOLVE(DXViewport, viewport, hViewport);
        PELMORA_RESOLVE(DXFrame, root, hRootFrame);
        const SceneIndex& index = viewport->sceneIndexes().indexOf(*root, (flags & PELMORA_PICK_HIDDEN) != 0);
        PlacedHit found;
        PELMORA_RETURN_IF_FAILED(pickScene(*viewport, index, x, y, lineThreshold, &found));
        if (found.placed.mesh == nullptr) return S_OK;
        *hit = hitRecord(found.placed);
        hit->x = found.point.x;
        hit->y = found.point.y;
        hit->z = found.point.z;
        hit->distance = found.distance;
        return S_OK;
    });
}

PELMORA_API HRESULT PelmoraSelectRectangle(int hViewport, int hRootFrame, int left, int top, int right,
                                           int bottom, int mode, int flags, PelmoraSceneHit* selected,
                                           int capacity, int* count) {
    return PELMORA_INTERFACE_CALL({
        PELMORA_REQUIRE_OUT(count);
        *count = 0;
        if (capacity < 0 || (capacity > 0 && !selected)) {
            logFormat("PelmoraSelectRectangle: no room for %d entries\n", capacity);
            return PELMORA_TRACE_FAILED(E_INVALIDARG);
        }
        if (mode != PELMORA_SELECT_INSIDE && mode != PELMORA_SELECT_CROSSING) {
            logFormat("PelmoraSelectRectangle: unknown mode %d\n", mode);
            return PELMORA_TRACE_FAILED(E_INVALIDARG);
        }
        PELMORA_RETURN_IF_FAILED(checkFlags("PelmoraSelectRectangle", flags));
        PELMORA_RESOLVE(DXViewport, viewport, hViewport);
        PELMORA_RESOLVE(DXFrame, root, hRootFrame);
        const SceneIndex& index = viewport->sceneIndexes().indexOf(*root, (flags & PELMORA_PICK_HIDDEN) != 0);
        std::vector<PlacedMesh> chosen;
        const RECT area{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
        selectInRectangle(*viewport, index, area,
                          mode == PELMORA_SELECT_INSIDE ? Selection::Inside : Selection::Crossing, &chosen);
        const size_t copied = std::min(chosen.size(), static_cast<size_t>(capacity));
        for (size_t i = 0; i < copied; ++i) selected[i] = hitRecord(chosen[i]);
        *count = static_cast<int>(chosen.size());
        return S_OK;
    });
}
