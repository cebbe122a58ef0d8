// The base of every drawable mesh: the never-render switch, the bounding-box
// proxy and the level-of-detail test, and the settings a host reaches
// through any mesh handle. Meshes that do not use a setting accept it.
#pragma once

#include "math/ViewVolume.h"
#include "meshops/BoxProxy.h"
#include "meshops/MeshProjection.h"
#include "meshops/MeshQueries.h"
#include "scene/DXVisual.h"
#include "scene/SceneGeneration.h"

#include <memory>
#include <optional>

namespace pelmora {

class RenderContext;

class DXMesh : public DXVisual {
public:
    void dump(int depth) override { (void)depth; }

    // ---- Queries. The defaults are those of meshes with nothing to hit or
    // read (dots, grids): no hit, and kMeshHoldsNoData with nothing given. ----
    // The viewport may be null; meshes that refine then stay at their deviation.
    virtual HRESULT pickMesh(RenderContext* viewport, const PickRequest& request, PickResult* result);
    virtual HRESULT getMeshData(MeshData* data);
    // The box around the current geometry in the mesh's own space; none
    // when the mesh has no geometry yet or is not drawn where it lies
    // (billboards, decals).
    virtual std::optional<ClipBox> localBounds() { return std::nullopt; }
    // The vertices a selection judges the mesh by, whatever getMeshData
    // hands a host (no list): none for meshes drawn in pixels or as pictures.
    virtual MeshData selectionData() { return MeshData{}; }
    // transform takes mesh coordinates to world coordinates.
    virtual HRESULT getScreenData(RenderContext& viewport, const D3DXMATRIX& transform,
                                  ProjectedMesh* projected);
    virtual HRESULT getPrintData(const D3DXMATRIX& transform, const PrintLayout& layout,
                                 ProjectedMesh* projected);

    virtual HRESULT setMeshScale(double scale) {
        (void)scale;
        return S_OK;
    }
    // Fetches the geometry again at the deviation given (host-backed meshes).
    virtual HRESULT refreshMesh(float deviation) {
        (void)deviation;
        return S_OK;
    }
    // The device is the context's; solids build their simplified copy on it.
    virtual HRESULT setMeshSimplificationLevel(int level, IDirect3DDevice9* device) {
        (void)level;
        (void)device;
        return S_OK;
    }

    // There is no way back: a host hides a mesh for good with it.
    void setNeverRender() {
        neverRender_ = 1;
        noteSceneChange();
    }
    bool neverRender() const { return neverRender_ != 0; }

    const BoxProxy* boxProxy() const { return boxProxy_.get(); }
    void dropBoxProxy() { boxProxy_.reset(); }

protected:
    // False when the viewport reduces details and the proxy's volume is tiny
    // next to the view plane's area; meshes without a proxy always pass.
    bool passesLevelOfDetail(RenderContext& viewport) const;
    // Meshes showing one geometry share its proxy.
    void setBoxProxy(std::shared_ptr<const BoxProxy> proxy) { boxProxy_ = std::move(proxy); }

private:
    std::shared_ptr<const BoxProxy> boxProxy_;
    int neverRender_ = 0;
};

}  // namespace pelmora
