#include "mesh/DXSolidMesh.h"

#include "platform/d3d9/EngineExtensions.h"
#include "mesh/DXSolidMeshBuffers.h"
#include "meshops/DashedSegments.h"
#include "mesh/SharedEdges.h"
#include "mesh/SilhouetteBuffers.h"
#include "meshops/SilhouetteClusters.h"
#include "meshops/PickTree.h"
#include "meshops/RayPick.h"
#include "meshops/SolidFaces.h"
#include "core/Diagnostics.h"
#include "platform/win/CreaseAngleSetting.h"
#include "scene/EdgePass.h"
#include "scene/RenderContext.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <utility>

namespace pelmora {

namespace {

constexpr MeshVertex kDefaultVertex{0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
// A box flatter than this has no inside to test against.
constexpr double kProxyVolumeEpsilon = 2.220446049250313e-16;
// Integers one triangle takes in a newSolidMesh face list: 3 and three pairs.
constexpr long kArrayTriangleLength = 7;

bool samePosition(const MeshVertex& a, const MeshVertex& b) {
    return std::fabs(double(a.x) - b.x) <= DBL_EPSILON &&
           std::fabs(double(a.y) - b.y) <= DBL_EPSILON &&
           std::fabs(double(a.z) - b.z) <= DBL_EPSILON;
}

bool isDegenerate(const std::vector<MeshVertex>& vertices, const FaceRead& face) {
    const MeshVertex& a = vertices[face.index[0]];
    const MeshVertex& b = vertices[face.index[1]];
    const MeshVertex& c = vertices[face.index[2]];
    return samePosition(a, b) || samePosition(b, c) || samePosition(a, c);
}

bool indicesWithin(const FaceRead& face, long vertexCount) {
    for (int index : face.index)
        if (index < 0 || index >= vertexCount) return false;
    return true;
}

bool rayMayHit(const RayLine& ray, const BoxProxy* proxy) {
    if (proxy == nullptr || proxy->volume <= kProxyVolumeEpsilon) return true;
    const MeshData box{proxy->corners.data(), BoxProxy::kCornerCount, proxy->faces.data(),
                       BoxProxy::kFaceListLength};
    D3DXVECTOR3 unused;
    return pickFaceList(ray, box, &unused);
}

// Face-pair edges tested together for a silhouette each frame, and culled
// edges drawn rather than split a draw in two. On the software rasterizer an
// edge the vertex stage collapses costs about a fifteenth of a draw call, so
// small runs with small gaps between them draw the fewest edges for their
// calls; larger runs cull little on bodies of a thousand faces.
constexpr uint32_t kEdgesPerCluster = 4;
constexpr uint32_t kMergedEdges = 16;

constexpr uint32_t kEdgeFlags = SOLID_MESH_DRAW_BORDERS | SOLID_MESH_DRAW_SILHOUETTES;
// Beside the edge flags in a shared list's key: indices of quads, not lines.
constexpr uint32_t kQuadEdgesKey = 0x100;

// Render states set for one part of a draw and put back after it.
class StateSwitch {
public:
    explicit StateSwitch(IDirect3DDevice9* device) : device_(device) {}
    ~StateSwitch() {
        for (size_t i = count_; i-- > 0;) device_->SetRenderState(saved_[i].first, saved_[i].second);
    }
    StateSwitch(const StateSwitch&) = delete;
    StateSwitch& operator=(const StateSwitch&) = delete;

    void set(D3DRENDERSTATETYPE state, DWORD value) {
        DWORD current = value;
        device_->GetRenderState(state, &current);
        if (current == value || count_ == saved_.size()) return;
        saved_[count_++] = {state, current};
        device_->SetRenderState(state, value);
    }
    void setFloat(D3DRENDERSTATETYPE state, float value) {
        DWORD bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        set(state, bits);
    }

private:
    IDirect3DDevice9* device_;
    std::array<std::pair<D3DRENDERSTATETYPE, DWORD>, 4> saved_{};
    size_t count_ = 0;
};


HRESULT invalidArrays(const char* why) {
    logFormat("newSolidMesh: %s\n", why);
    return PELMORA_TRACE_FAILED(E_INVALIDARG);
}

}  // namespace

DXSolidMesh::DXSolidMesh(bool doubleSided) : doubleSided_(doubleSided) {}

DXSolidMesh::DXSolidMesh(const HostMeshBinding& binding)
    : DXUserMesh(binding), doubleSided_(false) {}

// ---- From the host's arrays ----

HRESULT DXSolidMesh::validateArrays(const SolidMeshArrays& arrays) {
    if (arrays.vertexFloatCount < 0 || arrays.vertexFloatCount % 3 != 0)
        return invalidArrays("the vertex array does not hold whole points");
    if (arrays.normalFloatCount > 0 && arrays.normalFloatCount < arrays.vertexFloatCount)
        return invalidArrays("the normal array is shorter than the vertex array");
    const long vertexCount = arrays.vertexFloatCount / 3;
    bool inRange = true;
    const bool forward = walkArrayFaces(
        arrays.faces, arrays.faceIntCount,
        [&](const FaceRead& face) { inRange = inRange && indicesWithin(face, vertexCount); });
    if (!forward) return invalidArrays("a face has a negative vertex count");
    if (!inRange) return invalidArrays("a face index lies outside the vertex array");
    return S_OK;
}

void DXSolidMesh::buildFromArrays(const SolidMeshArrays& arrays) {
    dropBoxProxy();
    clearMesh(true);
    if (arrays.faceIntCount == 0) return;
    auto geometry = std::make_unique<SolidGeometry>();
    const uint32_t vertexCount = uint32_t(arrays.vertexFloatCount / 3);
    const long statedFaces = (arrays.faceIntCount - 1) / kArrayTriangleLength;
    const bool hasNormals = arrays.normals != nullptr && arrays.normalFloatCount > 0;

    BoxBounds bounds = BoxBounds::empty();
    geometry->vertexCount = vertexCount;
    std::vector<MeshVertex> vertices(vertexCount, kDefaultVertex);
    for (uint32_t i = 0; i < vertexCount; ++i) {
        MeshVertex& vertex = vertices[i];
        const float* position = arrays.vertices + 3 * size_t(i);
        vertex.x = position[0];
        vertex.y = position[1];
        vertex.z = position[2];
        if (hasNormals) {
            const float* normal = arrays.normals + 3 * size_t(i);
            vertex.nx = normal[0];
            vertex.ny = normal[1];
            vertex.nz = normal[2];
        }
        bounds.add(vertex.x, vertex.y, vertex.z);
    }
    if (statedFaces > long(kProxyFaceThreshold)) setBoxProxy(std::make_unique<BoxProxy>(bounds));

    geometry->triangles.reserve(size_t(std::max(statedFaces, 0L)));
    walkArrayFaces(arrays.faces, arrays.faceIntCount, [&](const FaceRead& face) {
        if (face.vertexCount != 3) reportTruncatedFacet(face.vertexCount);
        if (!isDegenerate(vertices, face)) appendTriangle(*geometry, face);
    });
    finishFaceList(*geometry);
    geometry->surface.assign(vertices.data(), vertices.size());
    geometry->doubleSided = doubleSided_;
    adoptGeometry(std::move(geometry));
}

// ---- From a host facet set ----

const char* DXSolidMesh::facetFault(const FacetSource& source) const {
    if (const char* fault = DXUserMesh::facetFault(source)) return fault;
    return facetListFault(source.faceList(), source.faceListLength());
}

HRESULT DXSolidMesh::setGeometryFromFacets(const FacetSource& source) {
    SolidGeometry& geometry = *editableGeometry();
    geometry.doubleSided = (static_cast<unsigned>(source.doubleSided()) & 0xFFu) != 0;
    const int listLength = source.faceListLength();
    if (listLength < 5 || (listLength - 1) / kTriangleEntry == 0) return S_OK;

    const int sourceVertices = source.vertices() != nullptr ? std::max(source.vertexCount(), 0) : 0;
    int dropped = 0;
    geometry.triangles.reserve(size_t(listLength - 1) / kTriangleEntry);
    walkFacetFaces(source.faceList(), listLength, [&](const FaceRead& face) {
        if (face.vertexCount != 3) reportTruncatedFacet(face.vertexCount);
        if (indicesWithin(face, sourceVertices))
            appendTriangle(geometry, face);
        else
            ++dropped;
    });
    finishFaceList(geometry);
    if (dropped > 0)
        logFormat("Pelmora: host facets named vertices outside 0..%d; %d face(s) dropped\n",
                  sourceVertices - 1, dropped);

    const auto* vertices = reinterpret_cast<const MeshVertex*>(source.vertices());
    geometry.vertexCount = uint32_t(sourceVertices);
    geometry.surface.assign(vertices, size_t(sourceVertices));
    if (geometry.count > kProxyFaceThreshold) {
        BoxBounds bounds = BoxBounds::empty();
        for (int i = 0; i < sourceVertices; ++i) bounds.add(vertices[i].x, vertices[i].y, vertices[i].z);
        geometry.proxy = std::make_shared<const BoxProxy>(bounds);
    }
    return S_OK;
}

// ---- Picking ----

HRESULT DXSolidMesh::pickMesh(RenderContext* viewport, const PickRequest& request,
                              PickResult* result) {
    *result = PickResult{};
    refine(viewport, false);
    SolidGeometry* current = editableGeometry();
    if (current == nullptr || current->count == 0) return S_OK;
    const RayLine ray{request.origin, request.direction};
    const MeshData faces{current->surface.positions(), uint32_t(current->surface.size())};
    // The hierarchy's root box does what the proxy's box did, without its
    // twelve triangles: a ray the box lets through is tested in one pass.
    if (!current->pickTree) {
        if (!rayMayHit(ray, boxProxy())) return S_OK;
        current->pickTree = std::make_shared<const PickTree>(
            PickTree::forTriangles(faces.vertices, faces.vertexCount, current->triangles));
    }
    result->hit = current->pickTree->pickFace(ray, faces, &result->point);
    return S_OK;
}

// ---- Drawing ----

std::shared_ptr<MeshBatch> DXSolidMesh::createDeviceBuffers(IDirect3DDevice9* device,
                                                            const D3DMATRIX*, D3DMATERIAL9*,
                                                            const RenderAttributes&) {
    SolidGeometry* current = editableGeometry();
    if (current == nullptr) return makeSolidBatch(device, nullptr, doubleSided_);
    // Another instance of the part may have made them on this device already.
    std::shared_ptr<MeshBatch> buffers = current->deviceBuffers.lock();
    if (buffers && buffers->madeOn(device)) return buffers;
    buffers = makeSolidBatch(device, current, current->doubleSided);
    current->deviceBuffers = buffers;
    return buffers;
}

HRESULT DXSolidMesh::render(IDirect3DDevice9* device, RenderContext* viewport,
                            const D3DMATRIX* world, D3DMATERIAL9* material,
                            RenderAttributes attributes) {
    const RenderScope scope(*this, viewport);
    return DXUserMesh::render(device, viewport, world, material, attributes);
}

const FeatureEdges* DXSolidMesh::featureEdges() {
    SolidGeometry* current = editableGeometry();
    if (current == nullptr) return nullptr;
    if (!current->featureEdges)
        current->featureEdges = std::make_shared<const FeatureEdges>(
            extractFeatureEdges(*current, win::readCreaseAngleSetting()));
    return current->featureEdges.get();
}

int DXSolidMesh::drawExtra(IDirect3DDevice9* device, const D3DMATRIX* world, D3DMATERIAL9*,
                           const RenderAttributes& attributes) {
    const uint32_t flags = attributes.drawFlags;
    if ((flags & kEdgeFlags) == 0 && (flags & SOLID_MESH_DRAW_SOLIDS) != 0) return 0;
    if (batch() == nullptr || batch()->vertexCount == 0) return 1;
    HRESULT hr = drawOffsetFaces(device, attributes);
    if (SUCCEEDED(hr) && (flags & kEdgeFlags) != 0) hr = queueEdges(device, *world, attributes);
    if (FAILED(hr)) PELMORA_TRACE_FAILED(hr);
    return 1;
}

HRESULT DXSolidMesh::drawOffsetFaces(IDirect3DDevice9* device,
                                     const RenderAttributes& attributes) {
    StateSwitch states(device);
    const float halfWidth = 0.5f * float(std::max(attributes.visibleWidth, 1));
    states.setFloat(D3DRS_SLOPESCALEDEPTHBIAS, halfWidth + kFillSlopePixels);
    states.setFloat(D3DRS_DEPTHBIAS, kFillDepthSteps / float(1u << 24));
    // Without solids the faces only hide what lies behind them.
    if ((attributes.drawFlags & SOLID_MESH_DRAW_SOLIDS) == 0)
        states.set(D3DRS_COLORWRITEENABLE, 0);
    return issueBatch(device);
}

HRESULT DXSolidMesh::queueEdges(IDirect3DDevice9* device, const D3DMATRIX& world,
                                const RenderAttributes& attributes) {
    const EdgeRequest request{this, world, attributes, rendering_ != nullptr ? rendering_->lineDrawer() : nullptr,
                              rendering_ != nullptr && rendering_->translucentPass()};
    if (rendering_ != nullptr && rendering_->edgePass().collecting()) {
        rendering_->edgePass().queue(request);
        return S_OK;
    }
    return drawEdgeRequests(device, std::span(&request, 1));
}

SilhouetteLook DXSolidMesh::lookAt(IDirect3DDevice9* device, const D3DMATRIX& world, D3DXMATRIX* transform) {
    D3DXMATRIX view, projection;
    device->GetTransform(D3DTS_VIEW, &view);
    device->GetTransform(D3DTS_PROJECTION, &projection);
    const D3DXMATRIX worldView = D3DXMATRIX(world) * view;
    *transform = worldView * projection;
    return silhouetteLook(worldView, projection._44 == 0.0f, projection._33);
}

void DXSolidMesh::findEdgeRuns(const SilhouetteLook& look, uint32_t drawFlags) {
    runs_.clear();
    if ((drawFlags & SOLID_MESH_DRAW_SILHOUETTES) == 0) return;
    // With borders on, the sharp face pairs show already.
    const size_t skipped = (drawFlags & SOLID_MESH_DRAW_BORDERS) != 0 ? sharpClusters_ : 0;
    silhouetteRuns(std::span(clusters_).subspan(skipped), look, kMergedEdges, &runs_);
}

void DXSolidMesh::prepareEdgeBuffers(IDirect3DDevice9* device, const RenderAttributes& attributes,
                                     const FeatureEdges& edges) {
    const D3DCOLOR colour = attributes.visibleColor;
    // Wide GL lines are as good as quads up to two pixels, where a joint's
    // notch stays under a pixel, and cost half the vertices.
    const EdgeShape shape = attributes.visibleWidth <= 2 ? EdgeShape::Line : EdgeShape::Quad;
    // The colour is in the vertices: another colour needs other buffers.
    if (edgeBatch_ && (edgeColour_ != colour || edgeShape_ != shape ||
                       (edgeBatch_->vertexBuffer && !edgeBatch_->madeOn(device)))) {
        edgeBatch_.reset();
        forgetRestingEdges();
    }
    clusterEdges(edges);
    if (edgeBatch_) return;
    SolidGeometry* current = editableGeometry();
    edgeBatch_ = current != nullptr ? sharedEdges(*current).batch(device, edges, colour, shape)
                                    : makeSilhouetteBatch(device, edges, colour, shape);
    edgeColour_ = colour;
    edgeShape_ = shape;
}

void DXSolidMesh::clusterEdges(const FeatureEdges& edges) {
    if (clusteredEdges_ == &edges) return;
    forgetRestingEdges();
    clusters_ = clusterFacePairs(edges.facePairs, kEdgesPerCluster, edges.sharpPairs);
    sharpClusters_ = size_t(std::count_if(clusters_.begin(), clusters_.end(), [&](const EdgeCluster& cluster) {
        return cluster.first < edges.sharpPairs;
    }));
    clusteredEdges_ = &edges;
}

void DXSolidMesh::addSilhouettes(const FeatureEdges& edges, const SilhouetteLook& look,
                                 std::vector<D3DXVECTOR3>* points) const {
    // Found among the candidates as the vertex stage finds them.
    for (const auto& [first, count] : runs_)
        for (uint32_t i = first; i < first + count; ++i)
            if (isSilhouette(edges.facePairs[i], look)) {
                points->push_back(edges.facePairs[i].a);
                points->push_back(edges.facePairs[i].b);
            }
}

HRESULT DXSolidMesh::queueOutlines(IDirect3DDevice9* device, const EdgeRequest& request, const FeatureEdges& edges,
                                   MergedLines& outlines) {
    clusterEdges(edges);
    D3DXMATRIX transform;
    const SilhouetteLook look = lookAt(device, request.world, &transform);
    const uint32_t flags = request.attributes.drawFlags;
    const auto find = [&](std::vector<D3DXVECTOR3>* points) {
        findEdgeRuns(look, flags);
        addSilhouettes(edges, look, points);
    };
    // Instances of a part that see it alike (moved copies in a parallel
    // view) share what the first one found.
    SolidGeometry* current = editableGeometry();
    const std::vector<D3DXVECTOR3>* points = &outlinePoints_;
    if (current != nullptr && look.valid) {
        points = &sharedEdges(*current).outlines(look, flags & kEdgeFlags, find);
    } else {
        outlinePoints_.clear();
        find(&outlinePoints_);
    }
    if (!points->empty()) outlines.addSegments(*points, request.world, request.attributes.visibleColor);
    return S_OK;
}

HRESULT DXSolidMesh::drawHiddenEdges(IDirect3DDevice9* device, const EdgeRequest& request) {
    const FeatureEdges* edges = featureEdges();
    ID3DXLine* line = request.lineDrawer;
    if (edges == nullptr || line == nullptr) return S_OK;
    ComPtr<IDirect3DDevice9> owner;
    PELMORA_RETURN_IF_FAILED(line->GetDevice(owner.put()));
    // A drawer left from another device draws nothing until the viewport has a new one.
    if (owner.get() != device) return S_OK;
    prepareEdgeBuffers(device, request.attributes, *edges);
    D3DXMATRIX transform;
    const SilhouetteLook look = lookAt(device, request.world, &transform);
    findEdgeRuns(look, request.attributes.drawFlags);
    hiddenPoints_.clear();
    if ((request.attributes.drawFlags & SOLID_MESH_DRAW_BORDERS) != 0) hiddenPoints_ = edges->points;
    addSilhouettes(*edges, look, &hiddenPoints_);
    if (hiddenPoints_.empty()) return S_OK;
    StateSwitch states(device);
    states.set(D3DRS_ZFUNC, D3DCMP_GREATER);
    states.set(D3DRS_ZWRITEENABLE, FALSE);
    D3DVIEWPORT9 port{};
    device->GetViewport(&port);
    dashSegments(hiddenPoints_, transform, float(port.Width), float(port.Height), DashPattern{}, &dashes_);
    return drawSegments(line, dashes_, transform, request.attributes.hiddenColor, request.attributes.hiddenWidth);
}

HRESULT DXSolidMesh::drawVisibleEdges(IDirect3DDevice9* device, const EdgeRequest& request, Part part,
                                      MergedLines* outlines) {
    const uint32_t flags = request.attributes.drawFlags;
    const bool borders = part == Part::Borders;
    if ((flags & (borders ? SOLID_MESH_DRAW_BORDERS : SOLID_MESH_DRAW_SILHOUETTES)) == 0) return S_OK;
    const FeatureEdges* edges = featureEdges();
    if (edges == nullptr) return S_OK;
    // Thin outlines of opaque bodies are found here and drawn with every
    // other body's in one call: a draw a body cost more than the test.
    if (!borders && outlines != nullptr && request.attributes.visibleWidth <= 1 && !request.translucentPass)
        return queueOutlines(device, request, *edges, *outlines);
    prepareEdgeBuffers(device, request.attributes, *edges);
    const MeshBatch& batch = *edgeBatch_;
    if (!batch.vertexBuffer) return S_OK;
    // Edges of the buffer: the unpaired feature edges, then the face pairs, the sharp ones first.
    const uint32_t unpaired = uint32_t(edges->unpairedPoints.size() / 2);
    draws_.clear();
    DWORD show = D3DSILHOUETTE_OUTLINE;
    RestingEdges& resting = borders ? restingBorders_ : restingSilhouettes_;
    // The list of this look's edges that may show, when there is one to draw.
    RestingEdges* list = nullptr;
    D3DXMATRIX transform;
    if (borders) {
        draws_.emplace_back(0, unpaired + edges->sharpPairs);
        // Feature edges whose faces both turn away are hidden by the body's
        // other side, unless its back faces show or the faces let them through.
        show = isDoubleSided() || request.translucentPass ? D3DSILHOUETTE_ALL : D3DSILHOUETTE_FRONT;
        if (show == D3DSILHOUETTE_FRONT && resting.resting(lookAt(device, request.world, &transform), flags))
            list = &resting;
    } else {
        const SilhouetteLook look = lookAt(device, request.world, &transform);
        list = chooseSilhouetteList(device, look, flags);
        // A list holds what the candidates would give: they are found only
        // when the list is still to be made or there is none.
        if (!(list && list->listed())) {
            findEdgeRuns(look, flags);
            for (const auto& [first, count] : runs_) {
                const uint32_t at = unpaired + first;
                if (!draws_.empty() && draws_.back().first + draws_.back().second + kMergedEdges >= at)
                    draws_.back().second = at + count - draws_.back().first;
                else
                    draws_.emplace_back(at, count);
            }
        }
    }
    const bool listed = list && list->listed();
    if (!listed && (draws_.empty() || draws_.front().second == 0)) return S_OK;
    PELMORA_RETURN_IF_FAILED(device->SetRenderState(D3DRS_SILHOUETTESHOW, show));
    PELMORA_RETURN_IF_FAILED(device->SetTransform(D3DTS_WORLD, &request.world));
    PELMORA_RETURN_IF_FAILED(device->SetFVF(batch.fvf));
    PELMORA_RETURN_IF_FAILED(device->SetStreamSource(0, batch.vertexBuffer.get(), 0, batch.stride));
    // A list that could not be made leaves the candidate runs to the vertex stage.
    if (list) {
        const auto listShow = borders ? RestingEdges::Show::Front : RestingEdges::Show::Outline;
        const HRESULT hr = list->draw(device, *edges, listShow, draws_, edgeShape_, batch.vertexCount);
        if (SUCCEEDED(hr) || listed) return hr;
    }
    if (batch.indexBuffer) PELMORA_RETURN_IF_FAILED(device->SetIndices(batch.indexBuffer.get()));
    for (const auto& [first, count] : draws_)
        PELMORA_RETURN_IF_FAILED(drawSilhouetteEdges(device, edgeShape_, first, count));
    return S_OK;
}

SharedEdges& DXSolidMesh::sharedEdges(SolidGeometry& geometry) {
    if (!geometry.sharedEdges) geometry.sharedEdges = std::make_shared<SharedEdges>();
    return *geometry.sharedEdges;
}

RestingEdges* DXSolidMesh::chooseSilhouetteList(IDirect3DDevice9* device, const SilhouetteLook& look,
                                                uint32_t flags) {
    const bool atRest = restingSilhouettes_.resting(look, flags);
    if (atRest && restingSilhouettes_.listed()) return &restingSilhouettes_;
    // Instances that see the geometry alike draw one list, moving or not.
    SolidGeometry* current = editableGeometry();
    if (current != nullptr) {
        // The flags that choose the candidates, and the shape the indices address.
        const uint32_t key = (flags & kEdgeFlags) | (edgeShape_ == EdgeShape::Quad ? kQuadEdgesKey : 0u);
        if (RestingEdges* shared = sharedEdges(*current).request(device, look, key)) return shared;
    }
    return atRest ? &restingSilhouettes_ : nullptr;
}

void DXSolidMesh::releaseDeviceObjects() {
    releaseGeometryObjects();
    if (SolidGeometry* current = editableGeometry(); current != nullptr && current->sharedEdges)
        current->sharedEdges->clear();
}

void DXSolidMesh::releaseGeometryObjects() {
    DXUserMesh::releaseDeviceObjects();
    edgeBatch_.reset();
    forgetRestingEdges();
    clusteredEdges_ = nullptr;
}

void DXSolidMesh::forgetRestingEdges() {
    restingBorders_.clear();
    restingSilhouettes_.clear();
}

HRESULT DXSolidMesh::drawSegments(ID3DXLine* line, const std::vector<D3DXVECTOR3>& points,
                                  const D3DXMATRIX& transform, D3DCOLOR colour, int width) {
    if (points.empty()) return S_OK;
    PELMORA_RETURN_IF_FAILED(line->SetWidth(float(std::max(width, 1))));
    PELMORA_RETURN_IF_FAILED(line->Begin());
    HRESULT status = S_OK;
    for (size_t i = 0; i + 1 < points.size() && SUCCEEDED(status); i += 2)
        status = line->DrawTransform(&points[i], 2, &transform, colour);
    const HRESULT ended = line->End();
    return FAILED(status) ? status : ended;
}

HRESULT DXSolidMesh::setMeshSimplificationLevel(int level, IDirect3DDevice9* device) {
    if (level == simplificationLevel_) return S_OK;
    simplificationLevel_ = level;
    // The level is recorded; drawing does not depend on it yet. The mesh
    // object a simplifier would work on is made and dropped, which shows the
    // geometry fits one.
    if (level > 0) makeSolidMeshObject(device, geometry(), isDoubleSided());
    return S_OK;
}

}  // namespace pelmora
