// The triangle mesh of a solid body, made from the host's arrays or fetched
// from a host facet mesh per refinement deviation. It keeps its geometry in
// system memory, makes the device buffers from it at the first draw on a
// device, and can draw both sides of every face.
#pragma once

#include "geometry/DXTextureMesh.h"

namespace pelmora {

// The three arrays of newSolidMesh as element counts and data. Faces hold,
// per face, its vertex count n and n (index, unused) pairs; 0 ends the list.
struct SolidMeshArrays {
    const float* vertices = nullptr;
    long vertexFloatCount = 0;
    const float* normals = nullptr;  // null or empty: every normal is +z
    long normalFloatCount = 0;
    const int* faces = nullptr;
    long faceIntCount = 0;
};

class DXSolidMesh final : public DXTextureMesh {
public:
    // A mesh filled by buildFromArrays.
    explicit DXSolidMesh(bool doubleSided);
    // A mesh that fetches its facets from the host on demand.
    explicit DXSolidMesh(const HostMeshBinding& binding);

    // E_INVALIDARG, with a log line, for arrays the builder cannot trust: a
    // vertex array that is not whole points, fewer normals than vertices, a
    // face count below 0 or an index outside the vertices.
    static HRESULT validateArrays(const SolidMeshArrays& arrays);
    // Arrays that passed validateArrays.
    void buildFromArrays(const SolidMeshArrays& arrays);

    HRESULT buildGeometry() override { return S_OK; }
    HRESULT setMeshSimplificationLevel(int level, IDirect3DDevice9* device) override;
    // The face crossed nearest to the ray's origin, after the box proxy let
    // the ray through; the thresholds are not read.
    HRESULT pickMesh(DXViewport* viewport, const PickRequest& request,
                     PickResult* result) override;
    bool isDoubleSided() const override { return doubleSided_; }
    int simplificationLevel() const { return simplificationLevel_; }

protected:
    HRESULT setGeometryFromFacets(const FacetSource& source) override;
    const char* facetFault(const FacetSource& source) const override;
    std::unique_ptr<MeshBatch> createDeviceBuffers(IDirect3DDevice9* device, const D3DMATRIX* world,
                                                   D3DMATERIAL9* material,
                                                   const RenderAttributes& attributes) override;

private:
    // Faces above this count get a box proxy for the level-of-detail test.
    static constexpr uint32_t kProxyFaceThreshold = 4;

    void buildProxy(const SolidGeometry& geometry);

    bool doubleSided_;
    int simplificationLevel_ = 0;
};

}  // namespace pelmora
