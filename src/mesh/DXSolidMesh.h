// The triangle mesh of a solid body, made from the host's arrays or fetched
// from a host facet mesh per refinement deviation. It keeps its geometry in
// system memory, makes the device buffers from it at the first draw on a
// device, and can draw both sides of every face.
#pragma once

#include "mesh/DXUserMesh.h"
#include "meshops/FeatureEdges.h"
#include "mesh/RestingEdges.h"
#include "mesh/SilhouetteBuffers.h"
#include "meshops/SilhouetteClusters.h"
#include "platform/d3dx/d3dx9line.h"
#include "scene/EdgePass.h"

#include <vector>

namespace pelmora {

class SharedEdges;

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

class DXSolidMesh final : public DXUserMesh, private EdgeSource {
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

    HRESULT setMeshSimplificationLevel(int level, IDirect3DDevice9* device) override;
    // The face crossed nearest to the ray's origin, after the box proxy let
    // the ray through; the thresholds are not read.
    HRESULT pickMesh(RenderContext* viewport, const PickRequest& request,
                     PickResult* result) override;
    // The geometry's own (the host's facets say it for a fetched one).
    bool isDoubleSided() const override { return geometry() != nullptr ? geometry()->doubleSided : doubleSided_; }
    int simplificationLevel() const { return simplificationLevel_; }
    // Draws the faces, and the edges the frame's draw flags ask for.
    HRESULT render(IDirect3DDevice9* device, RenderContext* viewport, const D3DMATRIX* world,
                   D3DMATERIAL9* material, RenderAttributes attributes) override;
    // The device buffers, the silhouettes' among them, and the lists and
    // edge buffers the current geometry shares with other meshes.
    void releaseDeviceObjects() override;
    // This mesh's buffers and edge lists; the geometry's shared ones stay
    // for the meshes still drawing it.
    void releaseGeometryObjects() override;
    // The current geometry's outline edges, found at the first call for it
    // with the registry's crease angle; null without a geometry.
    const FeatureEdges* featureEdges();
    // The borders (with the flag) and this view's silhouettes dashed in the
    // hidden colour where faces cover them, through the viewport's line drawer.
    HRESULT drawHiddenEdges(IDirect3DDevice9* device, const EdgeRequest& request) override;
    // The borders (with the flag) on the side of the body that can be seen,
    // or the silhouette candidates of this view, through the device's
    // silhouette vertex stage.
    HRESULT drawVisibleEdges(IDirect3DDevice9* device, const EdgeRequest& request, Part part,
                             MergedLines* outlines) override;

    // The faces are pushed back in depth by this many pixels' worth of their
    // own slope beyond half the edge width, and by this many steps of the
    // depth buffer, so the edges drawn at their true depth stay in front of
    // the faces they bound at any zoom and angle.
    static constexpr float kFillSlopePixels = 1.0f;
    static constexpr float kFillDepthSteps = 4.0f;

protected:
    HRESULT setGeometryFromFacets(const FacetSource& source) override;
    const char* facetFault(const FacetSource& source) const override;
    // One set per geometry and device, whichever instance of the part draws first.
    std::shared_ptr<MeshBatch> createDeviceBuffers(IDirect3DDevice9* device, const D3DMATRIX* world,
                                                   D3DMATERIAL9* material,
                                                   const RenderAttributes& attributes) override;
    int drawExtra(IDirect3DDevice9* device, const D3DMATRIX* world, D3DMATERIAL9* material,
                  const RenderAttributes& attributes) override;

private:
    // Faces above this count get a box proxy for the level-of-detail test.
    static constexpr uint32_t kProxyFaceThreshold = 4;

    // The faces with the depth offset the edges need, in colour only when
    // the flags ask for solids.
    HRESULT drawOffsetFaces(IDirect3DDevice9* device, const RenderAttributes& attributes);
    // Edges wait in the viewport's edge pass when it collects, else they are drawn now.
    HRESULT queueEdges(IDirect3DDevice9* device, const D3DMATRIX& world, const RenderAttributes& attributes);
    // The buffers of the edges for the vertex stage, made again when the
    // colour, the shape or the device changes, and the clusters of the edges.
    void prepareEdgeBuffers(IDirect3DDevice9* device, const RenderAttributes& attributes,
                            const FeatureEdges& edges);
    // The clusters of the face pairs, made again for other edges.
    void clusterEdges(const FeatureEdges& edges);
    // The silhouettes among the candidate runs (runs_), as point pairs.
    void addSilhouettes(const FeatureEdges& edges, const SilhouetteLook& look,
                        std::vector<D3DXVECTOR3>* points) const;
    // This view's silhouettes, in the visible colour, to the merged outlines.
    HRESULT queueOutlines(IDirect3DDevice9* device, const EdgeRequest& request, const FeatureEdges& edges,
                          MergedLines& outlines);
    // The camera seen from the mesh, and the mesh's space to clip space.
    SilhouetteLook lookAt(IDirect3DDevice9* device, const D3DMATRIX& world, D3DXMATRIX* transform);
    // The face pairs that may be silhouettes seen from `look` (runs_), none
    // without the silhouettes flag.
    void findEdgeRuns(const SilhouetteLook& look, uint32_t drawFlags);
    // The list to draw this look's silhouettes from: this mesh's own at rest,
    // else one its geometry's instances share; null for the candidate runs.
    static SharedEdges& sharedEdges(SolidGeometry& geometry);
    RestingEdges* chooseSilhouetteList(IDirect3DDevice9* device, const SilhouetteLook& look, uint32_t flags);
    void forgetRestingEdges();
    HRESULT drawSegments(ID3DXLine* line, const std::vector<D3DXVECTOR3>& points,
                         const D3DXMATRIX& transform, D3DCOLOR colour, int width);

    bool doubleSided_;  // for a geometry from arrays
    int simplificationLevel_ = 0;
    std::vector<D3DXVECTOR3> hiddenPoints_;  // the hidden pass's edges, reused each draw
    std::vector<D3DXVECTOR3> dashes_;        // their dashes
    std::vector<D3DXVECTOR3> outlinePoints_;  // the merged outlines' segments, reused each draw
    std::shared_ptr<MeshBatch> edgeBatch_;   // made or shared at the first draw with edges
    D3DCOLOR edgeColour_ = 0;
    EdgeShape edgeShape_ = EdgeShape::Line;
    std::vector<EdgeCluster> clusters_;  // of the face pairs, the sharp ones' first
    const FeatureEdges* clusteredEdges_ = nullptr;
    size_t sharpClusters_ = 0;
    std::vector<std::pair<uint32_t, uint32_t>> runs_;   // face pairs that may show this frame
    std::vector<std::pair<uint32_t, uint32_t>> draws_;  // edges of the buffer drawn this frame
    // This view's borders and silhouettes while the camera rests.
    RestingEdges restingBorders_, restingSilhouettes_;
};

}  // namespace pelmora
