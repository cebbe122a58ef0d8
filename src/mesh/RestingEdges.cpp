#include "mesh/RestingEdges.h"

#include "mesh/DXSolidMeshBuffers.h"
#include "mesh/DeviceBufferPool.h"
#include "core/Diagnostics.h"

namespace pelmora {

namespace {

// The batch's own indices for one edge: a line's two vertices, or a quad's
// two triangles as the batch's index buffer has them.
void appendEdge(std::vector<uint32_t>* out, uint32_t edge, EdgeShape shape) {
    const uint32_t base = edge * verticesPerEdge(shape);
    if (shape == EdgeShape::Line) {
        out->insert(out->end(), {base, base + 1});
        return;
    }
    out->insert(out->end(), {base, base + 1, base + 2, base, base + 2, base + 3});
}

template <class Index>
HRESULT fill(IDirect3DIndexBuffer9* buffer, const std::vector<uint32_t>& indices) {
    void* data = nullptr;
    PELMORA_RETURN_IF_FAILED(buffer->Lock(0, 0, &data, 0));
    auto* out = static_cast<Index*>(data);
    for (uint32_t index : indices) *out++ = Index(index);
    return buffer->Unlock();
}

}  // namespace

bool RestingEdges::holds(const SilhouetteLook& look, uint32_t key) const {
    return known_ && key_ == key && sameLook(look, look_);
}

bool RestingEdges::resting(const SilhouetteLook& look, uint32_t key) {
    if (holds(look, key)) return true;
    clear();
    look_ = look;
    key_ = key;
    known_ = true;
    return false;
}

void RestingEdges::clear() {
    known_ = listed_ = false;
    indices_.reset();
    primitives_ = 0;
}

HRESULT RestingEdges::draw(IDirect3DDevice9* device, const FeatureEdges& edges, Show show, Runs candidates,
                           EdgeShape shape, UINT batchVertices) {
    if (!listed_) PELMORA_RETURN_IF_FAILED(list(device, edges, show, candidates, shape, batchVertices));
    if (primitives_ == 0) return S_OK;
    PELMORA_RETURN_IF_FAILED(device->SetIndices(indices_.get()));
    return device->DrawIndexedPrimitive(shape == EdgeShape::Line ? D3DPT_LINELIST : D3DPT_TRIANGLELIST, 0, 0,
                                        batchVertices, 0, primitives_);
}

bool RestingEdges::mayShow(const FeatureEdges& edges, uint32_t edge, Show show) const {
    const uint32_t unpaired = uint32_t(edges.unpairedPoints.size() / 2);
    if (edge < unpaired) return true;
    const FacePairEdge& pair = edges.facePairs[edge - unpaired];
    return show == Show::Outline ? mayBeSilhouette(pair, look_) : mayFaceTheEye(pair, look_);
}

HRESULT RestingEdges::list(IDirect3DDevice9* device, const FeatureEdges& edges, Show show, Runs candidates,
                           EdgeShape shape, UINT batchVertices) {
    const size_t edgesInAll = edges.unpairedPoints.size() / 2 + edges.facePairs.size();
    scratch_.clear();
    for (const auto& [first, count] : candidates)
        for (uint32_t edge = first; edge < first + count && edge < edgesInAll; ++edge)
            if (mayShow(edges, edge, show)) appendEdge(&scratch_, edge, shape);
    indices_.reset();
    primitives_ = UINT(scratch_.size() / (shape == EdgeShape::Line ? 2 : 3));
    listed_ = true;
    if (primitives_ == 0) return S_OK;
    const bool wide = needsWideIndices(batchVertices);
    ComPtr<IDirect3DIndexBuffer9> indices;
    HRESULT hr = createInDefaultPoolOrSystemMemory([&](D3DPOOL pool) {
        return device->CreateIndexBuffer(UINT(scratch_.size()) * (wide ? sizeof(uint32_t) : sizeof(uint16_t)),
                                         D3DUSAGE_WRITEONLY, wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16, pool,
                                         indices.put(), nullptr);
    });
    if (SUCCEEDED(hr)) hr = wide ? fill<uint32_t>(indices.get(), scratch_) : fill<uint16_t>(indices.get(), scratch_);
    if (FAILED(hr)) {
        // The candidate runs are drawn instead until the camera rests again.
        clear();
        return hr;
    }
    indices_ = std::move(indices);
    return S_OK;
}

}  // namespace pelmora
