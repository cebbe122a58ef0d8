#include "geometry/DXTextureMesh.h"

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

HRESULT DXTextureMesh::setGeometryFromFacets(const FacetSource&) { return S_OK; }

std::unique_ptr<MeshBatch> DXTextureMesh::createDeviceBuffers(IDirect3DDevice9*, const D3DMATRIX*,
                                                              D3DMATERIAL9*,
                                                              const RenderAttributes&) {
    return nullptr;
}

int DXTextureMesh::prepareSecondaryBuffers(IDirect3DDevice9*, const D3DMATRIX*, D3DMATERIAL9*,
                                           const RenderAttributes&) {
    return 0;
}

}  // namespace pelmora
