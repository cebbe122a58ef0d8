// The base of meshes whose geometry comes from the host: arrays handed over
// once, or a host facet mesh fetched per refinement deviation and kept per
// deviation. Solids, lines, billboards and decals derive from it directly;
// what only some meshes do is a member of those: the host's side of a host
// facet mesh (HostFacetSupply), the image of billboards and decals
// (DXTextureMesh). Every hook has a default, so a new kind overrides only
// what it does differently. Meshes showing the same host mesh through the
// same factory (instances of one part under different frames) share each
// deviation's geometry and its device buffers; each keeps its own frame,
// colour, picks and culling. It holds the geometry, the cache and the device
// buffers, and draws them; subclasses build the buffers and may draw extra.
#pragma once

#include "mesh/DXMesh.h"
#include "mesh/HostFacetSupply.h"
#include "mesh/MeshBatch.h"
#include "facets/RegisteredMesh.h"
#include "meshops/SolidGeometry.h"

#include <memory>
#include <utility>
#include <vector>

namespace pelmora {

// The status of a refinement or refresh of a mesh asked for from inside the
// facet factory that is tessellating that same mesh.
inline constexpr HRESULT kRefinementInProgress = E_ACCESSDENIED;

class DXUserMesh : public DXMesh, public RegisteredMesh {
public:
    // A binding naming a host mesh gives the mesh a HostFacetSupply, which
    // lists it with the provider when the binding names all of host mesh,
    // factory and provider. The kind says how the host's lists are read.
    explicit DXUserMesh(const HostMeshBinding& binding = {}, FacetListKind kind = FacetListKind::Faces);
    ~DXUserMesh() override;

    // Drops the device buffers; they are made again at the next draw.
    void releaseDeviceObjects() override;
    // Drops what this mesh made for its current geometry when another one
    // takes its place; what the geometry shares with other meshes stays.
    virtual void releaseGeometryObjects() { releaseDeviceObjects(); }
    void setCurrentDeviation(float deviation) override { currentDeviation_ = deviation; }
    HRESULT render(IDirect3DDevice9* device, RenderContext* viewport, const D3DMATRIX* world,
                   D3DMATERIAL9* material, RenderAttributes attributes) override;
    HRESULT setMeshScale(double scale) override;
    HRESULT refreshMesh(float deviation) override;

    std::optional<ClipBox> localBounds() override;
    MeshData selectionData() override;
    // Brings the geometry to the viewport's deviation first.
    HRESULT getScreenData(RenderContext& viewport, const D3DXMATRIX& transform,
                          ProjectedMesh* projected) override;
    HRESULT getPrintData(const D3DXMATRIX& transform, const PrintLayout& layout,
                         ProjectedMesh* projected) override;

    // Brings the geometry to the viewport's deviation (or, without a
    // viewport, to the current one, as in manual mode), asking the factory
    // when neither the current geometry nor the cache serves. With
    // inBackground, a thread-safe factory is asked on the facet worker when
    // there is geometry to show meanwhile: the mesh keeps it, and its
    // deviation, until the answer is taken in by a later refinement.
    HRESULT refine(RenderContext* viewport, bool force, bool inBackground = false);
    HRESULT draw(RenderContext& viewport, const D3DMATRIX* world, D3DMATERIAL9* material,
                 const RenderAttributes& attributes);
    // Frees the current geometry when the mesh owns it, and the buffers.
    void clearMesh(bool freeGeometry);

    // ---- What the provider reads ----
    bool hasGeometry() const override { return geometry_ != nullptr; }
    void refineWithoutViewport() override { refine(nullptr, false); }
    FacetView facetView() const override;

    // ---- What tests read ----
    bool hostBacked() const { return host_ != nullptr; }
    const SolidGeometry* geometry() const { return geometry_; }
    virtual bool isDoubleSided() const { return false; }
    float currentDeviation() const { return currentDeviation_; }
    double meshScale() const { return scale_; }
    size_t cachedGeometryCount() const { return cache_.size(); }
    const MeshBatch* batch() const { return batch_.get(); }
    int serial() const { return serial_; }

protected:
    // Fills the current (new, empty) geometry from a host facet set that
    // facetFault found nothing wrong with; here it stays empty.
    virtual HRESULT setGeometryFromFacets(const FacetSource& source);
    // Why a host facet set cannot be read safely, or null: here the counts
    // and pointers common to every mesh; subclasses add the list's structure.
    virtual const char* facetFault(const FacetSource& source) const;
    // The buffers may be shared with other meshes showing the same
    // geometry; none here.
    virtual std::shared_ptr<MeshBatch> createDeviceBuffers(IDirect3DDevice9* device,
                                                           const D3DMATRIX* world,
                                                           D3DMATERIAL9* material,
                                                           const RenderAttributes& attributes);
    // Non-zero when the mesh has something to draw besides its batch; 0 here.
    virtual int prepareSecondaryBuffers(IDirect3DDevice9* device, const D3DMATRIX* world,
                                        D3DMATERIAL9* material,
                                        const RenderAttributes& attributes);
    virtual HRESULT beginDraw(IDirect3DDevice9* device, const D3DMATRIX* world,
                              D3DMATERIAL9* material, const RenderAttributes& attributes);
    virtual HRESULT endDraw(IDirect3DDevice9* device, const D3DMATRIX* world,
                            D3DMATERIAL9* material, const RenderAttributes& attributes);
    // Non-zero when the subclass drew the mesh itself.
    virtual int drawExtra(IDirect3DDevice9* device, const D3DMATRIX* world, D3DMATERIAL9* material,
                          const RenderAttributes& attributes);

    // The viewport to draw in, or null when this mesh is not to be drawn
    // now: never rendered, overridden by its frames, or hidden outside a
    // forced render.
    RenderContext* drawableIn(RenderContext* viewport, const RenderAttributes& attributes) const;
    // The current geometry as stored; empty data when there is none.
    MeshData currentData() const;
    // Meshes built from arrays hand their one geometry over this way.
    void addCachedGeometry(float deviation, std::shared_ptr<SolidGeometry> geometry);
    SolidGeometry* findCachedGeometry(float deviation) const;
    // The geometry being filled by setGeometryFromFacets or a builder.
    SolidGeometry* editableGeometry() { return geometry_; }
    // Makes a finished geometry current and keeps it in the cache.
    void adoptGeometry(std::unique_ptr<SolidGeometry> geometry);
    std::shared_ptr<MeshBatch> setBatch(std::shared_ptr<MeshBatch> batch);
    // Draws the batch as it is, with the device's current states.
    HRESULT issueBatch(IDirect3DDevice9* device) const;

    // The context of the render under way, for the hooks a render calls;
    // null outside a render. A RenderScope sets it for the render's length.
    RenderContext* rendering_ = nullptr;
    class RenderScope {
    public:
        RenderScope(DXUserMesh& mesh, RenderContext* context) : mesh_(mesh) { mesh_.rendering_ = context; }
        ~RenderScope() { mesh_.rendering_ = nullptr; }
        RenderScope(const RenderScope&) = delete;
        RenderScope& operator=(const RenderScope&) = delete;

    private:
        DXUserMesh& mesh_;
    };

private:
    bool needsRebuild(const RenderContext& viewport) const;
    // True when the current geometry lies wholly outside the view of the
    // render under way; false without a geometry.
    bool outsideView(const RenderContext& viewport, const D3DMATRIX& world,
                     const RenderAttributes& attributes);
    // Every change of the current geometry goes through here.
    void makeCurrent(SolidGeometry* geometry);
    // Starts a new, empty current geometry that the mesh owns until cached.
    SolidGeometry* startGeometry();
    void emptyCache();
    // Asks the factory for the facets at deviation d and makes them current.
    HRESULT fetchFacets(float deviation, bool manual);
    // Makes a facet set that passed its checks the current geometry, cached
    // at d and offered to the other meshes of the same source.
    HRESULT takeFacets(const FacetSource& source, float deviation);
    // Makes the geometry another mesh of the same source holds at d current;
    // false when there is none.
    bool takeShared(float deviation);
    // Lets the other meshes of the source keep what this one showed, and
    // makes the next fetch of this one go to the factory.
    void forgetShared();

    // ---- Answers of the facet worker ----
    // Takes in every answered request (their geometry goes to the cache) and
    // says whether the one for `wanted` was among them.
    HostFacetSupply::Arrival collectArrived(float wanted);
    HRESULT adoptFetched(float deviation, const FacetFetch& fetch);
    // The facets at `wanted`, now: the answer of a request already out, or
    // the factory's on this thread.
    HRESULT fetchNow(float wanted);
    HRESULT refuseNestedRefinement(const char* request) const;
    // E_INVALIDARG, with a log line saying why, for a facet set facetFault refuses.
    HRESULT checkFacets(const FacetSource& source) const;

    // Set for the length of one refinement, however it ends.
    class RefinementInProgress {
    public:
        explicit RefinementInProgress(bool& flag) : flag_(flag) { flag_ = true; }
        ~RefinementInProgress() { flag_ = false; }
        RefinementInProgress(const RefinementInProgress&) = delete;
        RefinementInProgress& operator=(const RefinementInProgress&) = delete;

    private:
        bool& flag_;
    };

    int serial_;
    float currentDeviation_ = 0.0f;
    double scale_ = 1.0;
    SolidGeometry* geometry_ = nullptr;
    // Holds the current geometry while the cache is empty.
    std::unique_ptr<SolidGeometry> ownGeometry_;
    std::vector<std::pair<float, std::shared_ptr<SolidGeometry>>> cache_;
    std::shared_ptr<MeshBatch> batch_;
    int secondaryBuffers_ = 0;
    bool refining_ = false;  // a fetch from the factory is under way
    // Null for a mesh built from arrays.
    std::unique_ptr<HostFacetSupply> host_;
};

}  // namespace pelmora
