#include "mesh/DXTextureMesh.h"

#include "scene/RenderContext.h"

namespace pelmora {

DXTextureMesh::DXTextureMesh(win::HBITMAP hostBitmap, const HostMeshBinding& binding)
    : DXUserMesh(binding), texture_(hostBitmap) {}

// The texture and the bitmap copy go with the member, before the user-mesh part.
DXTextureMesh::~DXTextureMesh() = default;

void DXTextureMesh::releaseDeviceObjects() {
    DXUserMesh::releaseDeviceObjects();
    // Called before the device is replaced: the texture must not keep the old one.
    texture_.releaseDeviceObjects();
}

HRESULT DXTextureMesh::getMeshData(MeshData* data) {
    *data = MeshData{};
    return kMeshHoldsNoData;
}

RenderContext* DXTextureMesh::drawableIn(RenderContext* viewport,
                                      const RenderAttributes& attributes) const {
    if (neverRender() || attributes.overrideRender != 0) return nullptr;
    RenderContext* view = viewport;
    if (view == nullptr) return nullptr;
    if (!isVisible() && !view->forceRender()) return nullptr;
    return view;
}

HRESULT DXTextureMesh::setGeometryFromFacets(const FacetSource&) { return S_OK; }

std::shared_ptr<MeshBatch> DXTextureMesh::createDeviceBuffers(IDirect3DDevice9*, const D3DMATRIX*,
                                                              D3DMATERIAL9*,
                                                              const RenderAttributes&) {
    return nullptr;
}

int DXTextureMesh::prepareSecondaryBuffers(IDirect3DDevice9*, const D3DMATRIX*, D3DMATERIAL9*,
                                           const RenderAttributes&) {
    return 0;
}

}  // namespace pelmora
