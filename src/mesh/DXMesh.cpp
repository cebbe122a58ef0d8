#include "mesh/DXMesh.h"

#include "core/Diagnostics.h"
#include "scene/RenderContext.h"

#include <cmath>

namespace pelmora {

namespace {

// Below this a box has no volume worth comparing.
constexpr double kVolumeEpsilon = 2.220446049250313e-16;
// A mesh whose box is smaller than this share of the view plane is a detail.
constexpr double kDetailShare = 0.001;

}  // namespace

HRESULT DXMesh::pickMesh(RenderContext*, const PickRequest&, PickResult* result) {
    *result = PickResult{};
    return S_OK;
}

HRESULT DXMesh::getMeshData(MeshData* data) {
    *data = MeshData{};
    return kMeshHoldsNoData;
}

HRESULT DXMesh::getScreenData(RenderContext&, const D3DXMATRIX&, ProjectedMesh* projected) {
    projected->clear();
    return kMeshHoldsNoData;
}

HRESULT DXMesh::getPrintData(const D3DXMATRIX&, const PrintLayout&, ProjectedMesh* projected) {
    *projected = ProjectedMesh{};
    return kMeshHoldsNoData;
}

bool DXMesh::passesLevelOfDetail(RenderContext& viewport) const {
    if (!boxProxy_) return true;
    double left = 0.0, right = 0.0, bottom = 0.0, top = 0.0;
    const HRESULT hr = viewport.getViewportPlane(&left, &right, &bottom, &top);
    if (FAILED(hr)) PELMORA_TRACE_FAILED(hr);
    const double volume = boxProxy_->volume;
    const double area = std::fabs(right - left) * std::fabs(top - bottom);
    return !(viewport.reduceDetails() && volume > kVolumeEpsilon && area * kDetailShare > volume);
}

}  // namespace pelmora
