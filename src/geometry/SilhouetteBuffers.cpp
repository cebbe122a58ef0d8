#include "geometry/SilhouetteBuffers.h"

#include "geometry/DXSolidMeshBuffers.h"
#include "geometry/DeviceBufferPool.h"
#include "core/Diagnostics.h"

namespace pelmora {

namespace {

constexpr UINT kCornersPerEdge = 4;
constexpr UINT kIndicesPerEdge = 6;

void setCorner(SilhouetteVertex& v, const D3DXVECTOR3& at, const D3DXVECTOR3& to, const FacePairEdge& edge,
               D3DCOLOR colour, float side) {
    v = SilhouetteVertex{at.x, at.y, at.z, edge.normal0.x, edge.normal0.y, edge.normal0.z, colour,
                         {edge.normal1.x, edge.normal1.y, edge.normal1.z}, {to.x, to.y, to.z}, side};
}

template <class Index>
void writeIndices(Index* out, size_t edges) {
    // The +1 corners lie on opposite sides at the two ends (each end looks
    // towards the other), so the quad is (a+, a-, b+) and (a+, b+, b-).
    for (size_t e = 0; e < edges; ++e) {
        const Index base = Index(e * kCornersPerEdge);
        const Index corners[kIndicesPerEdge] = {base, Index(base + 1), Index(base + 2),
                                                base, Index(base + 2), Index(base + 3)};
        for (Index corner : corners) *out++ = corner;
    }
}

HRESULT fill(IDirect3DVertexBuffer9* vertices, IDirect3DIndexBuffer9* indices, const FeatureEdges& edges,
             D3DCOLOR colour, bool wide) {
    void* data = nullptr;
    PELMORA_RETURN_IF_FAILED(vertices->Lock(0, 0, &data, 0));
    writeSilhouetteVertices(static_cast<SilhouetteVertex*>(data), edges, colour);
    PELMORA_RETURN_IF_FAILED(vertices->Unlock());
    PELMORA_RETURN_IF_FAILED(indices->Lock(0, 0, &data, 0));
    if (wide)
        writeIndices(static_cast<uint32_t*>(data), edges.facePairs.size());
    else
        writeIndices(static_cast<uint16_t*>(data), edges.facePairs.size());
    return indices->Unlock();
}

}  // namespace

void writeSilhouetteVertices(SilhouetteVertex* out, const FeatureEdges& edges, D3DCOLOR colour) {
    for (const FacePairEdge& edge : edges.facePairs) {
        setCorner(*out++, edge.a, edge.b, edge, colour, 1.0f);
        setCorner(*out++, edge.a, edge.b, edge, colour, -1.0f);
        setCorner(*out++, edge.b, edge.a, edge, colour, 1.0f);
        setCorner(*out++, edge.b, edge.a, edge, colour, -1.0f);
    }
}

std::unique_ptr<MeshBatch> makeSilhouetteBatch(IDirect3DDevice9* device, const FeatureEdges& edges,
                                               D3DCOLOR colour) {
    auto batch = std::make_unique<MeshBatch>();
    batch->stride = sizeof(SilhouetteVertex);
    batch->fvf = D3DFVF_SILHOUETTEEDGE;
    batch->primitiveType = D3DPT_TRIANGLELIST;
    if (edges.facePairs.empty()) return batch;
    const UINT vertexCount = UINT(edges.facePairs.size()) * kCornersPerEdge;
    const bool wide = needsWideIndices(vertexCount);
    ComPtr<IDirect3DVertexBuffer9> vertices;
    ComPtr<IDirect3DIndexBuffer9> indices;
    HRESULT hr = createInDefaultPoolOrSystemMemory([&](D3DPOOL pool) {
        return device->CreateVertexBuffer(vertexCount * sizeof(SilhouetteVertex), D3DUSAGE_WRITEONLY,
                                          D3DFVF_SILHOUETTEEDGE, pool, vertices.put(), nullptr);
    });
    if (SUCCEEDED(hr))
        hr = createInDefaultPoolOrSystemMemory([&](D3DPOOL pool) {
            return device->CreateIndexBuffer(UINT(edges.facePairs.size()) * kIndicesPerEdge *
                                                 (wide ? sizeof(uint32_t) : sizeof(uint16_t)),
                                             D3DUSAGE_WRITEONLY, wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16, pool,
                                             indices.put(), nullptr);
        });
    if (SUCCEEDED(hr)) hr = fill(vertices.get(), indices.get(), edges, colour, wide);
    if (FAILED(hr)) {
        PELMORA_TRACE_FAILED(hr);
        return batch;
    }
    batch->vertexBuffer = std::move(vertices);
    batch->indexBuffer = std::move(indices);
    batch->vertexCount = vertexCount;
    batch->primitiveCount = UINT(edges.facePairs.size()) * 2;
    return batch;
}

}  // namespace pelmora
