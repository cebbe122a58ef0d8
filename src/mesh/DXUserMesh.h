// The base of meshes whose geometry comes from the host: arrays handed over
// once, or a host facet mesh fetched per refinement deviation and kept per
// deviation. It owns the geometry, the cache and the device buffers, and
// draws them; subclasses build the buffers and may draw extra.
#pragma once

#include "mesh/DXMesh.h"
#include "mesh/MeshBatch.h"
#include "facets/RegisteredMesh.h"
#include "meshops/SolidGeometry.h"

#include <memory>
#include <utility>
#include <vector>

namespace pelmora {

class TorvelMeshProvider;
struct FacetFetch;

// The status of a refinement or refresh of a mesh asked for from inside the
// facet factory that is tessellating that same mesh.
inline constexpr HRESULT kRefinementInProgress = E_ACCESSDENIED;

// The host objects a mesh shows: the host's own number for the body, the
// handle of the factory that tessellates it, and the provider that lists the
// mesh for the host.
struct HostMeshBinding {
    int hostMesh = 0;
    int factoryHandle = 0;
    TorvelMeshProvider* provider = nullptr;
};

class DXUserMesh : public DXMesh, public RegisteredMesh {
public:
    // Lists itself with the provider when the binding names all of host mesh,
    // factory and provider.
    explicit DXUserMesh(const HostMeshBinding& binding = {});
    ~DXUserMesh() override;

    // Drops the device buffers; they are made again at the next draw.
    void releaseDeviceObjects() override;
    void setCurrentDeviation(float deviation) override { currentDeviation_ = deviation; }
    HRESULT render(IDirect3DDevice9* device, RenderContext* viewport, const D3DMATRIX* world,
                   D3DMATERIAL9* material, RenderAttributes attributes) override;
    HRESULT setMeshScale(double scale) override;
    HRESULT refreshMesh(float deviation) override;

    // The current geometry as stored; empty data when there is none.
    HRESULT getMeshData(MeshData* data) override;
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
    bool hostBacked() const { return binding_.hostMesh != 0; }
    const HostMeshBinding& binding() const { return binding_; }
    const SolidGeometry* geometry() const { return geometry_; }
    virtual bool isDoubleSided() const { return false; }
    float currentDeviation() const { return currentDeviation_; }
    double meshScale() const { return scale_; }
    size_t cachedGeometryCount() const { return cache_.size(); }
    const MeshBatch* batch() const { return batch_.get(); }
    int serial() const { return serial_; }

protected:
    // Fills the current (new, empty) geometry from a host facet set that
    // facetFault found nothing wrong with.
    virtual HRESULT setGeometryFromFacets(const FacetSource& source) = 0;
    // Why a host facet set cannot be read safely, or null: here the counts
    // and pointers common to every mesh; subclasses add the list's structure.
    virtual const char* facetFault(const FacetSource& source) const;
    virtual std::unique_ptr<MeshBatch> createDeviceBuffers(IDirect3DDevice9* device,
                                                           const D3DMATRIX* world,
                                                           D3DMATERIAL9* material,
                                                           const RenderAttributes& attributes) = 0;
    // Non-zero when the mesh has something to draw besides its batch.
    virtual int prepareSecondaryBuffers(IDirect3DDevice9* device, const D3DMATRIX* world,
                                        D3DMATERIAL9* material,
                                        const RenderAttributes& attributes) = 0;
    virtual HRESULT beginDraw(IDirect3DDevice9* device, const D3DMATRIX* world,
                              D3DMATERIAL9* material, const RenderAttributes& attributes);
    virtual HRESULT endDraw(IDirect3DDevice9* device, const D3DMATRIX* world,
                            D3DMATERIAL9* material, const RenderAttributes& attributes);
    // Non-zero when the subclass drew the mesh itself.
    virtual int drawExtra(IDirect3DDevice9* device, const D3DMATRIX* world, D3DMATERIAL9* material,
                          const RenderAttributes& attributes);

    // Meshes built from arrays hand their one geometry over this way.
    void addCachedGeometry(float deviation, std::unique_ptr<SolidGeometry> geometry);
    SolidGeometry* findCachedGeometry(float deviation) const;
    // The geometry being filled by setGeometryFromFacets or a builder.
    SolidGeometry* editableGeometry() { return geometry_; }
    // Makes a finished geometry current and keeps it in the cache.
    void adoptGeometry(std::unique_ptr<SolidGeometry> geometry);
    std::unique_ptr<MeshBatch> setBatch(std::unique_ptr<MeshBatch> batch);
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
    bool listed() const {
        return binding_.hostMesh != 0 && binding_.factoryHandle != 0 &&
               binding_.provider != nullptr;
    }
    bool needsRebuild(const RenderContext& viewport) const;
    // True when the current geometry lies wholly outside the view of the
    // render under way; false without a geometry.
    bool outsideView(const RenderContext& viewport, const D3DMATRIX& world,
                     const RenderAttributes& attributes);
    MeshData currentData() const;
    // Every change of the current geometry goes through here.
    void makeCurrent(SolidGeometry* geometry);
    // Starts a new, empty current geometry that the mesh owns until cached.
    SolidGeometry* startGeometry();
    void emptyCache();
    // Asks the factory for the facets at deviation d and makes them current.
    HRESULT fetchFacets(float deviation, bool manual);
    // Makes a facet set that passed its checks the current geometry, cached at d.
    HRESULT takeFacets(const FacetSource& source, float deviation);

    // ---- Requests on the facet worker ----
    // What became of the request for one deviation.
    struct Arrival {
        bool answered = false;
        HRESULT status = S_OK;
    };
    // Takes in every answered request (their geometry goes to the cache) and
    // says whether the one for `wanted` was among them.
    Arrival collectArrived(float wanted);
    HRESULT adoptFetched(float deviation, const FacetFetch& fetch);
    // Puts a request for `wanted` on the worker unless one is out already;
    // false when the factory must be asked here instead.
    bool askInBackground(float wanted);
    // The facets at `wanted`, now: the answer of a request already out, or
    // the factory's on this thread.
    HRESULT fetchNow(float wanted);
    std::shared_ptr<FacetFetch> pendingFor(float deviation) const;
    void cancelPending();
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

    HostMeshBinding binding_;
    int registrationId_ = 0;
    int serial_;
    float currentDeviation_ = 0.0f;
    double scale_ = 1.0;
    SolidGeometry* geometry_ = nullptr;
    // Holds the current geometry while the cache is empty.
    std::unique_ptr<SolidGeometry> ownGeometry_;
    std::vector<std::pair<float, std::unique_ptr<SolidGeometry>>> cache_;
    std::unique_ptr<MeshBatch> batch_;
    int secondaryBuffers_ = 0;
    bool refining_ = false;  // a fetch from the factory is under way
    // Requests on the facet worker, by deviation, not yet taken in.
    std::vector<std::pair<float, std::shared_ptr<FacetFetch>>> pending_;
};

}  // namespace pelmora
