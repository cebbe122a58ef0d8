#include "mesh/WideLineCache.h"

#include "mesh/DXSolidMeshBuffers.h"
#include "mesh/DeviceBufferPool.h"
#include "core/Diagnostics.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace pelmora {

namespace {

template <class Buffer, class T>
HRESULT fill(Buffer* buffer, const std::vector<T>& values) {
    void* target = nullptr;
    PELMORA_RETURN_IF_FAILED(buffer->Lock(0, 0, &target, 0));
    std::memcpy(target, values.data(), values.size() * sizeof(T));
    return buffer->Unlock();
}

}  // namespace

bool WideLineCache::same(const Key& a, const Key& b) {
    return std::memcmp(&a.transform, &b.transform, sizeof a.transform) == 0 &&
           std::memcmp(&a.viewport, &b.viewport, sizeof a.viewport) == 0 && a.width == b.width &&
           a.colour == b.colour;
}

void WideLineCache::clear() {
    valid_ = false;
    mesh_ = d3dx::WideLineMesh{};
    vertices_.reset();
    indices_.reset();
    bufferDevice_ = nullptr;
    vertexCount_ = triangleCount_ = 0;
}

HRESULT WideLineCache::draw(IDirect3DDevice9* device, const WireChunks& chunks, const D3DMATRIX& transform,
                            float width, D3DCOLOR colour) {
    Key key{transform, {}, width, colour};
    PELMORA_RETURN_IF_FAILED(device->GetViewport(&key.viewport));
    if (vertices_ && bufferDevice_ != device) clear();
    if (!valid_ || !same(key, key_)) {
        build(chunks, key);
        return drawFromMemory(device);
    }
    if (triangleCount_ == 0 || (!vertices_ && FAILED(upload(device)))) return drawFromMemory(device);
    return drawFromBuffers(device);
}

void WideLineCache::build(const WireChunks& chunks, const Key& key) {
    vertices_.reset();
    indices_.reset();
    mesh_.clear();
    for (size_t i = 0; i < chunks.count(); ++i) {
        runs_.project(chunks.points(i), chunks.length(i), key.transform, key.viewport);
        for (size_t run = 0; run < runs_.runCount(); ++run)
            mesh_.append(runs_.run(run), runs_.runLength(run), key.width, key.colour);
    }
    key_ = key;
    valid_ = true;
    vertexCount_ = UINT(mesh_.vertices().size());
    triangleCount_ = UINT(mesh_.triangleCount());
}

HRESULT WideLineCache::upload(IDirect3DDevice9* device) {
    ComPtr<IDirect3DVertexBuffer9> vertices;
    ComPtr<IDirect3DIndexBuffer9> indices;
    const UINT vertexBytes = UINT(mesh_.vertices().size() * sizeof(d3dx::ScreenVertex));
    // Kept for as long as the view rests: 16-bit indices where they reach, as for solids.
    const bool wide = needsWideIndices(vertexCount_);
    const UINT indexBytes = UINT(mesh_.indices().size() * (wide ? sizeof(uint32_t) : sizeof(uint16_t)));
    PELMORA_RETURN_IF_FAILED(createInDefaultPoolOrSystemMemory([&](D3DPOOL pool) {
        return device->CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, d3dx::kScreenVertexFvf, pool,
                                          vertices.put(), nullptr);
    }));
    PELMORA_RETURN_IF_FAILED(createInDefaultPoolOrSystemMemory([&](D3DPOOL pool) {
        return device->CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY, wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                         pool, indices.put(), nullptr);
    }));
    PELMORA_RETURN_IF_FAILED(fill(vertices.get(), mesh_.vertices()));
    if (wide)
        PELMORA_RETURN_IF_FAILED(fill(indices.get(), mesh_.indices()));
    else
        PELMORA_RETURN_IF_FAILED(
            fill(indices.get(), std::vector<uint16_t>(mesh_.indices().begin(), mesh_.indices().end())));
    vertices_ = std::move(vertices);
    indices_ = std::move(indices);
    bufferDevice_ = device;
    mesh_ = d3dx::WideLineMesh{};  // the buffers hold it now
    return S_OK;
}

HRESULT WideLineCache::drawFromMemory(IDirect3DDevice9* device) const {
    if (triangleCount_ == 0) return S_OK;
    PELMORA_RETURN_IF_FAILED(device->SetFVF(d3dx::kScreenVertexFvf));
    return device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, vertexCount_, triangleCount_,
                                          mesh_.indices().data(), D3DFMT_INDEX32, mesh_.vertices().data(),
                                          sizeof(d3dx::ScreenVertex));
}

HRESULT WideLineCache::drawFromBuffers(IDirect3DDevice9* device) const {
    PELMORA_RETURN_IF_FAILED(device->SetFVF(d3dx::kScreenVertexFvf));
    PELMORA_RETURN_IF_FAILED(device->SetStreamSource(0, vertices_.get(), 0, sizeof(d3dx::ScreenVertex)));
    PELMORA_RETURN_IF_FAILED(device->SetIndices(indices_.get()));
    return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount_, 0, triangleCount_);
}

}  // namespace pelmora
