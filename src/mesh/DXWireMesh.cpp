#include "mesh/DXWireMesh.h"

#include "meshops/PickTree.h"
#include "meshops/RayPick.h"
#include "mesh/WireMeshBuffers.h"
#include "core/Diagnostics.h"
#include "platform/com/ComPtr.h"
#include "platform/d3dx/d3dx9line.h"
#include "scene/ColorConversion.h"
#include "scene/EdgePass.h"
#include "scene/RenderContext.h"

#include <algorithm>

namespace pelmora {

namespace {

constexpr MeshVertex kDefaultVertex{0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};

HRESULT invalidArrays(const char* why) {
    logFormat("newWireMesh: %s\n", why);
    return PELMORA_TRACE_FAILED(E_INVALIDARG);
}

bool sameColour(const D3DCOLORVALUE& a, const D3DCOLORVALUE& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

}  // namespace

DXWireMesh::DXWireMesh(int constructionFlag) : constructionFlag_(constructionFlag) {}

DXWireMesh::DXWireMesh(const HostMeshBinding& binding) : DXUserMesh(binding, FacetListKind::Polylines) {}

// ---- From the host's arrays ----

HRESULT DXWireMesh::validateArrays(const WireMeshArrays& arrays) {
    if (arrays.vertexFloatCount < 0 || arrays.vertexFloatCount % 3 != 0)
        return invalidArrays("the vertex array does not hold whole points");
    const long vertexCount = arrays.vertexFloatCount / 3;
    long cursor = 0;
    while (cursor < arrays.lineIntCount && arrays.lines[cursor] > 0) {
        const long count = arrays.lines[cursor];
        if (count > arrays.lineIntCount - cursor - 1)
            return invalidArrays("a polyline runs past the end of the line list");
        for (long k = 1; k <= count; ++k) {
            const int index = arrays.lines[cursor + k];
            if (index < 0 || index >= vertexCount)
                return invalidArrays("a line index lies outside the vertex array");
        }
        cursor += 1 + count;
    }
    return S_OK;
}

void DXWireMesh::buildFromArrays(const WireMeshArrays& arrays) {
    dropBoxProxy();
    clearMesh(true);
    if (arrays.lineIntCount < 1) return;
    auto geometry = std::make_unique<SolidGeometry>();
    geometry->vertexCount = uint32_t(arrays.vertexFloatCount / 3);
    geometry->vertices.assign(geometry->vertexCount, kDefaultVertex);
    for (uint32_t i = 0; i < geometry->vertexCount; ++i) {
        const float* position = arrays.vertices + 3 * size_t(i);
        geometry->vertices[i].x = position[0];
        geometry->vertices[i].y = position[1];
        geometry->vertices[i].z = position[2];
    }
    geometry->faces.assign(arrays.lines, arrays.lines + arrays.lineIntCount);
    geometry->count = uint32_t(arrays.lineIntCount);
    setBoxProxy(proxyFor(*geometry));
    adoptGeometry(std::move(geometry));
}

// ---- From a host facet set ----

HRESULT DXWireMesh::setGeometryFromFacets(const FacetSource& source) {
    SolidGeometry& geometry = *editableGeometry();
    const int listLength = source.faceListLength();
    if (listLength <= 0 || source.faceList() == nullptr) return S_OK;
    // Kept as the host gave it; the readers of the list check every index.
    geometry.faces.assign(source.faceList(), source.faceList() + listLength);
    geometry.count = uint32_t(listLength);
    const int vertexCount = source.vertices() != nullptr ? std::max(source.vertexCount(), 0) : 0;
    const auto* vertices = reinterpret_cast<const MeshVertex*>(source.vertices());
    geometry.vertexCount = uint32_t(vertexCount);
    geometry.vertices.assign(vertices, vertices + vertexCount);
    geometry.proxy = proxyFor(geometry);
    return S_OK;
}

std::shared_ptr<const BoxProxy> DXWireMesh::proxyFor(const SolidGeometry& geometry) {
    if (geometry.vertexCount <= kProxyVertexThreshold) return nullptr;
    BoxBounds bounds = BoxBounds::empty();
    for (const MeshVertex& vertex : geometry.vertices) bounds.add(vertex.x, vertex.y, vertex.z);
    return std::make_shared<const BoxProxy>(bounds);
}

HRESULT DXWireMesh::getMeshData(MeshData* data) {
    *data = currentData();
    return S_OK;
}

// ---- Picking ----

HRESULT DXWireMesh::pickMesh(RenderContext* viewport, const PickRequest& request,
                             PickResult* result) {
    *result = PickResult{};
    refine(viewport, false);
    SolidGeometry* current = editableGeometry();
    if (current == nullptr || current->faces.empty()) return S_OK;
    const MeshData lines{current->vertices.data(),
                         uint32_t(std::min<size_t>(current->vertexCount, current->vertices.size())),
                         current->faces.data(), uint32_t(current->faces.size())};
    if (!current->pickTree)
        current->pickTree = std::make_shared<const PickTree>(PickTree::forLines(lines));
    result->hit = current->pickTree->pickLine(RayLine{request.origin, request.direction}, lines,
                                              request.threshold, &result->point);
    return S_OK;
}

// ---- Drawing ----

HRESULT DXWireMesh::render(IDirect3DDevice9* device, RenderContext* viewport,
                           const D3DMATRIX* world, D3DMATERIAL9* material,
                           RenderAttributes attributes) {
    RenderContext* view = viewport;
    // Without a line drawer wide lines are still lines: thin ones.
    if (thick(attributes) && (view == nullptr || view->lineDrawer() == nullptr))
        attributes.lineWidth = kThinLineWidth;
    const RenderScope scope(*this, viewport);
    return DXUserMesh::render(device, viewport, world, material, attributes);
}

void DXWireMesh::releaseDeviceObjects() {
    DXUserMesh::releaseDeviceObjects();
    chunks_.clear();
    wideLines_.clear();
}

bool DXWireMesh::mayMerge(IDirect3DDevice9* device, const D3DMATRIX* world, const D3DMATERIAL9& material,
                          const RenderAttributes& attributes) const {
    return !thick(attributes) && world != nullptr && material.Diffuse.a >= 1.0f && rendering_ != nullptr &&
           !rendering_->translucentPass() && rendering_->edgePass().lines().accepts(device);
}

HRESULT DXWireMesh::beginDraw(IDirect3DDevice9* device, const D3DMATRIX* world, D3DMATERIAL9* material,
                              const RenderAttributes& attributes) {
    // Drawn with the others at the walk's end, in states of their own.
    merging_ = mayMerge(device, world, *material, attributes);
    if (merging_) return S_OK;
    if (!thick(attributes)) {
        // The colour is in the vertices: another colour needs other buffers.
        if (!sameColour(material->Diffuse, lineColour_)) {
            lineColour_ = material->Diffuse;
            setBatch(nullptr);
        }
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
    } else {
        // Screen-space triangles face either way as the corners fall.
        switchState(device, D3DRS_CULLMODE, D3DCULL_NONE);
    }
    // One colour a mesh: nothing to interpolate, and opaque lines look the
    // same unblended; both spare the rasterizer.
    switchState(device, D3DRS_SHADEMODE, D3DSHADE_FLAT);
    if (thick(attributes) ? material->Diffuse.a >= 1.0f : lineColour_.a >= 1.0f)
        switchState(device, D3DRS_ALPHABLENDENABLE, FALSE);
    device->GetTransform(D3DTS_PROJECTION, &projection_);
    const D3DMATRIX pulled = pulledNearer(projection_, kDepthPull);
    device->SetTransform(D3DTS_PROJECTION, &pulled);
    return S_OK;
}

HRESULT DXWireMesh::endDraw(IDirect3DDevice9* device, const D3DMATRIX*, D3DMATERIAL9*,
                            const RenderAttributes& attributes) {
    if (merging_) return S_OK;
    device->SetTransform(D3DTS_PROJECTION, &projection_);
    if (!thick(attributes)) device->SetRenderState(D3DRS_LIGHTING, TRUE);
    for (size_t i = switched_; i-- > 0;) device->SetRenderState(saved_[i].first, saved_[i].second);
    switched_ = 0;
    return S_OK;
}

void DXWireMesh::switchState(IDirect3DDevice9* device, D3DRENDERSTATETYPE state, DWORD value) {
    DWORD current = value;
    device->GetRenderState(state, &current);
    if (current == value || switched_ == saved_.size()) return;
    saved_[switched_++] = {state, current};
    device->SetRenderState(state, value);
}

std::shared_ptr<MeshBatch> DXWireMesh::createDeviceBuffers(IDirect3DDevice9* device,
                                                           const D3DMATRIX*, D3DMATERIAL9*,
                                                           const RenderAttributes& attributes) {
    // Wide lines have no buffers, nor merged ones; the thin ones are made when first drawn.
    if (merging_ || thick(attributes) || geometry() == nullptr) return nullptr;
    return makeWireBatch(device, *geometry(), encodeColor(lineColour_));
}

int DXWireMesh::prepareSecondaryBuffers(IDirect3DDevice9*, const D3DMATRIX*, D3DMATERIAL9*,
                                        const RenderAttributes& attributes) {
    // The merged buffer stands for this mesh's own.
    if (merging_) return 1;
    if (!thick(attributes)) return 0;
    if (!chunks_.empty()) return 1;
    wideLines_.clear();
    if (geometry() != nullptr) chunks_.build(*geometry());
    return chunks_.empty() ? 0 : 1;
}

int DXWireMesh::drawExtra(IDirect3DDevice9* device, const D3DMATRIX* world,
                          D3DMATERIAL9* material, const RenderAttributes& attributes) {
    if (merging_) {
        if (geometry() != nullptr)
            rendering_->edgePass().lines().add(*geometry(), *world, encodeColor(material->Diffuse));
        return 1;
    }
    if (!thick(attributes) || rendering_ == nullptr || rendering_->lineDrawer() == nullptr ||
        chunks_.empty())
        return 0;
    const HRESULT hr = drawThick(device, *world, *material, attributes.lineWidth);
    if (FAILED(hr)) PELMORA_TRACE_FAILED(hr);
    return 1;
}

HRESULT DXWireMesh::drawThick(IDirect3DDevice9* device, const D3DMATRIX& world,
                              const D3DMATERIAL9& material, int width) {
    ComPtr<IDirect3DDevice9> owner;
    PELMORA_RETURN_IF_FAILED(rendering_->lineDrawer()->GetDevice(owner.put()));
    // A viewport whose drawer is left from another device draws no wide
    // lines until it has a new one.
    if (owner.get() != device) return S_OK;
    D3DXMATRIX view, projection;
    device->GetTransform(D3DTS_VIEW, &view);
    device->GetTransform(D3DTS_PROJECTION, &projection);
    const D3DXMATRIX transform = D3DXMATRIX(world) * view * projection;
    return wideLines_.draw(device, chunks_, transform, float(width), encodeColor(material.Diffuse));
}

}  // namespace pelmora
