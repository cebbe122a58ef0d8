#include "mesh/DXUserMesh.h"

#include "facets/FacetFetchWorker.h"
#include "meshops/MeshProjection.h"
#include "facets/TorvelMeshProvider.h"
#include "core/GuardedCall.h"
#include "core/ProcessState.h"
#include "platform/com/ComPtr.h"
#include "scene/RenderContext.h"

#include <algorithm>

namespace pelmora {

namespace {

// Every user mesh takes the next number; nothing else touches it.
int nextMeshSerial = 0;

ScreenView screenViewOf(const RenderContext& viewport) {
    return ScreenView{ViewTransforms{viewport.cameraTransform(), viewport.viewMatrix(),
                                     viewport.projection(), float(viewport.getWidth()),
                                     float(viewport.getHeight())},
                      viewport.deviceViewport()};
}

}  // namespace

DXUserMesh::DXUserMesh(const HostMeshBinding& binding, FacetListKind kind) : serial_(nextMeshSerial++) {
    if (binding.hostMesh != 0) host_ = std::make_unique<HostFacetSupply>(binding, kind, this);
}

DXUserMesh::~DXUserMesh() {
    clearMesh(true);
    // Its requests go (the worker may still be asking the host for this
    // mesh: it finishes first), and the provider lets go of the mesh while
    // its geometry is still there.
    host_.reset();
}

void DXUserMesh::releaseDeviceObjects() {
    // The buffers hold the device; keeping them would keep a replaced device alive.
    batch_.reset();
    secondaryBuffers_ = 0;
}

HRESULT DXUserMesh::setMeshScale(double scale) {
    scale_ = scale;
    return S_OK;
}

HRESULT DXUserMesh::refreshMesh(float deviation) {
    // A mesh from arrays has nothing to fetch again, so it keeps what it has.
    if (!hostBacked()) return S_OK;
    if (refining_) return refuseNestedRefinement("refreshMesh");
    forgetShared();
    clearMesh(true);
    setCurrentDeviation(deviation);
    return refine(nullptr, false);
}

// ---- Queries ----

MeshData DXUserMesh::currentData() const {
    if (geometry_ == nullptr) return MeshData{};
    return meshDataOf(*geometry_);
}

MeshData DXUserMesh::selectionData() {
    // The vertices only: a selection reads no list, and a compact geometry
    // would have to write its whole list out first.
    if (geometry_ == nullptr) return MeshData{};
    return MeshData{positionsOf(*geometry_), heldVertices(*geometry_), nullptr, 0};
}

HRESULT DXUserMesh::getScreenData(RenderContext& viewport, const D3DXMATRIX& transform,
                                  ProjectedMesh* projected) {
    // A factory that has nothing leaves whatever geometry there was; project that.
    refine(&viewport, false);
    projectForScreen(currentData(), transform, screenViewOf(viewport), projected);
    return S_OK;
}

HRESULT DXUserMesh::getPrintData(const D3DXMATRIX& transform, const PrintLayout& layout,
                                 ProjectedMesh* projected) {
    projectForPrint(currentData(), transform, layout, projected);
    return S_OK;
}

// ---- Render ----

HRESULT DXUserMesh::render(IDirect3DDevice9* device, RenderContext* viewport,
                           const D3DMATRIX* world, D3DMATERIAL9* material,
                           RenderAttributes attributes) {
    (void)device;  // the viewport's device is the one drawn on
    RenderContext* view = drawableIn(viewport, attributes);
    if (view == nullptr) return S_OK;
    IDirect3DDevice9* target = view->getDevice();
    if (!passesLevelOfDetail(*view)) return S_OK;

    bool rebuild = needsRebuild(*view);
    if (currentDeviation_ == 0.0f) currentDeviation_ = view->refinementDeviation();
    // A mesh never fetched is fetched now, at this view's deviation, to
    // learn where it lies; one outside the view is neither drawn nor refined.
    const bool firstFetch = hostBacked() && geometry_ == nullptr;
    if (firstFetch) refine(view, true);
    if (world != nullptr && outsideView(*view, *world, attributes)) return S_OK;
    beginDraw(target, world, material, attributes);
    if ((secondaryBuffers_ != 0 || batch_) && !rebuild) {
        const HRESULT drawn = draw(*view, world, material, attributes);
        if (SUCCEEDED(drawn)) {
            endDraw(target, world, material, attributes);
            return drawn;
        }
        rebuild = true;
    }
    if (!firstFetch) refine(view, rebuild, true);
    HRESULT result = S_OK;
    if (secondaryBuffers_ != 0 || geometry_ != nullptr)
        result = draw(*view, world, material, attributes);
    endDraw(target, world, material, attributes);
    return result;
}

RenderContext* DXUserMesh::drawableIn(RenderContext* viewport, const RenderAttributes& attributes) const {
    if (neverRender() || attributes.overrideRender != 0 || viewport == nullptr) return nullptr;
    if (!isVisible() && !viewport->forceRender()) return nullptr;
    return viewport;
}

std::optional<ClipBox> DXUserMesh::localBounds() {
    if (geometry_ == nullptr) return std::nullopt;
    const VertexPositions positions = positionsOf(*geometry_);
    const size_t held = geometry_->compact ? geometry_->surface.size() : geometry_->vertices.size();
    if (held == 0) return std::nullopt;
    if (!geometry_->bounds) {
        BoxBounds box = BoxBounds::empty();
        for (size_t i = 0; i < held; ++i) {
            const D3DXVECTOR3 vertex = positions[i];
            box.add(vertex.x, vertex.y, vertex.z);
        }
        geometry_->bounds = ClipBox{{box.minimum[0], box.minimum[1], box.minimum[2]},
                                    {box.maximum[0], box.maximum[1], box.maximum[2]}};
    }
    return geometry_->bounds;
}

bool DXUserMesh::outsideView(const RenderContext& viewport, const D3DMATRIX& world,
                             const RenderAttributes& attributes) {
    const std::optional<ClipBox> bounds = localBounds();
    if (!bounds) return false;
    // Lines and edges are drawn up to half their width beyond the geometry.
    const int widest = std::max({attributes.lineWidth, attributes.visibleWidth,
                                 attributes.hiddenWidth, 1});
    return viewport.boxOutsideView(*bounds, world, 0.5f * float(widest) + 1.0f);
}

bool DXUserMesh::needsRebuild(const RenderContext& viewport) const {
    if (!hostBacked()) return false;
    if (geometry_ == nullptr) return true;
    return currentDeviation_ != 0.0f && !viewport.manualRefinement() &&
           currentDeviation_ != viewport.refinementDeviation() &&
           !processState().refinementsSuspended;
}

// ---- Refinement ----

HRESULT DXUserMesh::refine(RenderContext* viewport, bool force, bool inBackground) {
    const float wanted = viewport ? viewport->refinementDeviation() : currentDeviation_;
    const bool manual = viewport ? viewport->manualRefinement() : true;
    if (!hostBacked()) return S_OK;
    if (geometry_ != nullptr && !force) {
        if (manual || currentDeviation_ == wanted || processState().refinementsSuspended)
            return S_OK;
    }
    if (refining_) return refuseNestedRefinement("a refinement");
    RefinementInProgress inProgress(refining_);
    SolidGeometry* const previous = geometry_;
    HRESULT status = S_OK;
    if (manual) {
        host_->cancelPending();
        emptyCache();
        if (!takeShared(wanted)) status = fetchFacets(wanted, true);
    } else {
        const HostFacetSupply::Arrival arrival = collectArrived(wanted);
        SolidGeometry* cached = findCachedGeometry(wanted);
        if (cached == nullptr && takeShared(wanted)) cached = geometry_;
        // The view stays as it is until the answer is taken in (and the
        // scene pick keeps its hierarchy meanwhile).
        if (cached == nullptr && !arrival.answered && inBackground && previous != nullptr &&
            host_->askInBackground(wanted)) {
            makeCurrent(previous);
            return S_OK;
        }
        makeCurrent(cached);
        if (cached == nullptr && arrival.answered) {
            status = arrival.status;  // asked already, and nothing came
        } else if (cached == nullptr) {
            status = fetchNow(wanted);
        }
        // In automatic mode a factory with nothing to give leaves the old view up.
        if (geometry_ == nullptr) makeCurrent(previous);
    }
    // Buffers follow the geometry: another record needs buffers of its own.
    // (In manual mode the old record is gone whatever came back.)
    if (manual || geometry_ != previous) releaseGeometryObjects();
    // The proxy follows the geometry (another deviation's, or another mesh's).
    if (geometry_ != nullptr && geometry_ != previous) setBoxProxy(geometry_->proxy);
    currentDeviation_ = wanted;
    return status;
}

HRESULT DXUserMesh::refuseNestedRefinement(const char* request) const {
    // The factory asked for this mesh's facets called back into it: a second
    // fetch now would free the geometry the first one is about to restore.
    logFormat("DXUserMesh: %s of mesh %d was asked for while its facets are being fetched; "
              "refused\n",
              request, handle());
    return PELMORA_TRACE_FAILED(kRefinementInProgress);
}

HRESULT DXUserMesh::fetchFacets(float deviation, bool manual) {
    return PELMORA_GUARDED({
        HRESULT built = S_OK;
        const HRESULT hr = host_->fetch(deviation, manual, [&](const FacetSource& source) {
            built = takeFacets(source, deviation);
        });
        if (FAILED(hr)) return PELMORA_TRACE_FAILED(hr);
        return built;
    });
}

HRESULT DXUserMesh::takeFacets(const FacetSource& source, float deviation) {
    const HRESULT checked = checkFacets(source);
    if (FAILED(checked)) return checked;  // the geometry there was stays
    clearMesh(true);
    startGeometry();
    const HRESULT built = setGeometryFromFacets(source);
    std::shared_ptr<SolidGeometry> made = std::move(ownGeometry_);
    host_->publish(deviation, made);
    addCachedGeometry(deviation, std::move(made));
    return built;
}

bool DXUserMesh::takeShared(float deviation) {
    std::shared_ptr<SolidGeometry> shared = host_->shared(deviation);
    if (!shared) return false;
    clearMesh(true);
    makeCurrent(shared.get());
    addCachedGeometry(deviation, std::move(shared));
    return true;
}

void DXUserMesh::forgetShared() {
    for (const auto& [deviation, geometry] : cache_) host_->forget(deviation, geometry.get());
}

// ---- Answers of the facet worker ----

HostFacetSupply::Arrival DXUserMesh::collectArrived(float wanted) {
    return host_->collectArrived(
        wanted, [this](float deviation, const FacetFetch& fetch) { return adoptFetched(deviation, fetch); });
}

HRESULT DXUserMesh::adoptFetched(float deviation, const FacetFetch& fetch) {
    // Another mesh of the source took the answer in first.
    if (takeShared(deviation)) return S_OK;
    return PELMORA_GUARDED({
        if (fetch.threw)
            logFormat("DXUserMesh: the facet factory threw on the worker thread for host mesh %d\n",
                      fetch.hostMesh);
        if (FAILED(fetch.status)) return PELMORA_TRACE_FAILED(fetch.status);
        if (!fetch.facets) return S_OK;
        return takeFacets(*fetch.facets, deviation);
    });
}

HRESULT DXUserMesh::fetchNow(float wanted) {
    const std::shared_ptr<FacetFetch> out = host_->pendingFor(wanted);
    if (!out) return fetchFacets(wanted, false);
    // Asked already: the answer on its way is the one to wait for.
    FacetFetchWorker::instance().wait(*out);
    const HRESULT status = collectArrived(wanted).status;
    makeCurrent(findCachedGeometry(wanted));
    return status;
}

const char* DXUserMesh::facetFault(const FacetSource& source) const {
    if (source.faceListLength() < 0) return "a negative face-list length";
    if (source.faceListLength() > 0 && source.faceList() == nullptr)
        return "a face-list length without a face list";
    if (source.vertexCount() < 0) return "a negative vertex count";
    if (source.vertexCount() > 0 && source.vertices() == nullptr)
        return "a vertex count without vertices";
    return nullptr;
}

HRESULT DXUserMesh::checkFacets(const FacetSource& source) const {
    const char* fault = facetFault(source);
    if (fault == nullptr) return S_OK;
    logFormat("DXUserMesh: the facets of host mesh %d were refused: %s (face list %d, "
              "vertices %d)\n",
              host_->binding().hostMesh, fault, source.faceListLength(), source.vertexCount());
    return PELMORA_TRACE_FAILED(E_INVALIDARG);
}

// ---- Geometry and cache ----

FacetView DXUserMesh::facetView() const {
    FacetView view;
    if (geometry_ == nullptr) return view;
    // A solid's whole vertices and list are made at the first reading and kept.
    view.vertices = reinterpret_cast<const FacetVertex*>(listSolidVertices(*geometry_).data());
    view.vertexCount = int(geometry_->vertexCount);
    if (geometry_->count > 0) {
        const std::vector<uint32_t>& list = listSolidFaces(*geometry_);
        view.faceList = reinterpret_cast<const int*>(list.data());
        view.faceListLength = int(list.size());
    }
    view.doubleSided = isDoubleSided();
    return view;
}

void DXUserMesh::makeCurrent(SolidGeometry* geometry) {
    // What the scene pick keeps of this mesh (its box) goes with the old geometry.
    if (geometry != geometry_) noteSceneChange();
    geometry_ = geometry;
}

SolidGeometry* DXUserMesh::startGeometry() {
    ownGeometry_ = std::make_unique<SolidGeometry>();
    makeCurrent(ownGeometry_.get());
    return geometry_;
}

void DXUserMesh::adoptGeometry(std::unique_ptr<SolidGeometry> geometry) {
    clearMesh(true);
    makeCurrent(geometry.get());
    addCachedGeometry(currentDeviation_, std::move(geometry));
}

void DXUserMesh::addCachedGeometry(float deviation, std::shared_ptr<SolidGeometry> geometry) {
    auto entry = std::find_if(cache_.begin(), cache_.end(),
                              [&](const auto& pair) { return pair.first == deviation; });
    if (entry != cache_.end()) {
        entry->second = std::move(geometry);
    } else {
        cache_.emplace_back(deviation, std::move(geometry));
    }
}

SolidGeometry* DXUserMesh::findCachedGeometry(float deviation) const {
    for (const auto& [cached, geometry] : cache_)
        if (cached == deviation) return geometry.get();
    return nullptr;
}

void DXUserMesh::emptyCache() {
    cache_.clear();
    ownGeometry_.reset();
    makeCurrent(nullptr);
}

void DXUserMesh::clearMesh(bool freeGeometry) {
    if (freeGeometry) {
        ownGeometry_.reset();
        makeCurrent(nullptr);
    }
    batch_.reset();
    secondaryBuffers_ = 0;
    releaseGeometryObjects();
}

std::shared_ptr<MeshBatch> DXUserMesh::setBatch(std::shared_ptr<MeshBatch> batch) {
    std::swap(batch, batch_);
    return batch;
}

// ---- Draw ----

HRESULT DXUserMesh::draw(RenderContext& viewport, const D3DMATRIX* world, D3DMATERIAL9* material,
                         const RenderAttributes& attributes) {
    if (batch_ && batch_->vertexCount == 0) return S_OK;
    IDirect3DDevice9* device = viewport.getDevice();
    if (device == nullptr) return S_OK;
    if (batch_ && batch_->vertexBuffer && !batch_->madeOn(device))
        batch_.reset();
    if (!batch_) batch_ = createDeviceBuffers(device, world, material, attributes);
    secondaryBuffers_ = prepareSecondaryBuffers(device, world, material, attributes);
    if (drawExtra(device, world, material, attributes) != 0) return S_OK;
    if (!batch_ || batch_->vertexCount == 0) return S_OK;
    return issueBatch(device);
}

HRESULT DXUserMesh::issueBatch(IDirect3DDevice9* device) const {
    const MeshBatch& batch = *batch_;
    if (!batch.vertexBuffer) return S_OK;
    PELMORA_RETURN_IF_FAILED(device->SetFVF(batch.fvf));
    PELMORA_RETURN_IF_FAILED(device->SetStreamSource(0, batch.vertexBuffer.get(), 0, batch.stride));
    if (!batch.indexBuffer) {
        PELMORA_RETURN_IF_FAILED(
            device->DrawPrimitive(batch.primitiveType, 0, batch.primitiveCount));
        return S_OK;
    }
    PELMORA_RETURN_IF_FAILED(device->SetIndices(batch.indexBuffer.get()));
    PELMORA_RETURN_IF_FAILED(device->DrawIndexedPrimitive(
        batch.primitiveType, 0, 0, batch.vertexCount, 0, batch.primitiveCount));
    return S_OK;
}

HRESULT DXUserMesh::setGeometryFromFacets(const FacetSource&) { return S_OK; }

std::shared_ptr<MeshBatch> DXUserMesh::createDeviceBuffers(IDirect3DDevice9*, const D3DMATRIX*, D3DMATERIAL9*,
                                                           const RenderAttributes&) {
    return nullptr;
}

int DXUserMesh::prepareSecondaryBuffers(IDirect3DDevice9*, const D3DMATRIX*, D3DMATERIAL9*,
                                        const RenderAttributes&) {
    return 0;
}

HRESULT DXUserMesh::beginDraw(IDirect3DDevice9*, const D3DMATRIX*, D3DMATERIAL9*,
                              const RenderAttributes&) {
    return S_OK;
}

HRESULT DXUserMesh::endDraw(IDirect3DDevice9*, const D3DMATRIX*, D3DMATERIAL9*,
                            const RenderAttributes&) {
    return S_OK;
}

int DXUserMesh::drawExtra(IDirect3DDevice9*, const D3DMATRIX*, D3DMATERIAL9*,
                          const RenderAttributes&) {
    return 0;
}

}  // namespace pelmora
