#include "mesh/SilhouetteBuffers.h"

#include "platform/d3d9/EngineExtensions.h"
#include "mesh/DXSolidMeshBuffers.h"
#include "mesh/DeviceBufferPool.h"
#include "core/Diagnostics.h"

namespace pelmora {

namespace {

constexpr UINT kIndicesPerQuad = 6;
const D3DXVECTOR3 kNoNormal(0, 0, 0);

void setCorner(SilhouetteVertex& v, const D3DXVECTOR3& at, const D3DXVECTOR3& to, const D3DXVECTOR3& normal0,
               const D3DXVECTOR3& normal1, D3DCOLOR colour, float side) {
    v = SilhouetteVertex{at.x, at.y, at.z, normal0.x, normal0.y, normal0.z, colour,
                         {normal1.x, normal1.y, normal1.z}, {to.x, to.y, to.z}, side};
}

SilhouetteVertex* writeEdge(SilhouetteVertex* out, const D3DXVECTOR3& a, const D3DXVECTOR3& b,
                            const D3DXVECTOR3& normal0, const D3DXVECTOR3& normal1, D3DCOLOR colour,
                            EdgeShape shape) {
    if (shape == EdgeShape::Line) {
        setCorner(*out++, a, b, normal0, normal1, colour, 0.0f);
        setCorner(*out++, b, a, normal0, normal1, colour, 0.0f);
        return out;
    }
    setCorner(*out++, a, b, normal0, normal1, colour, 1.0f);
    setCorner(*out++, a, b, normal0, normal1, colour, -1.0f);
    setCorner(*out++, b, a, normal0, normal1, colour, 1.0f);
    setCorner(*out++, b, a, normal0, normal1, colour, -1.0f);
    return out;
}

template <class Index>
void writeIndices(Index* out, size_t edges) {
    // The +1 corners lie on opposite sides at the two ends (each end looks
    // towards the other), so the quad is (a+, a-, b+) and (a+, b+, b-).
    for (size_t e = 0; e < edges; ++e) {
        const Index base = Index(e * verticesPerEdge(EdgeShape::Quad));
        const Index corners[kIndicesPerQuad] = {base, Index(base + 1), Index(base + 2),
                                                base, Index(base + 2), Index(base + 3)};
        for (Index corner : corners) *out++ = corner;
    }
}

size_t edgeCount(const FeatureEdges& edges) { return edges.unpairedPoints.size() / 2 + edges.facePairs.size(); }

HRESULT fillVertices(IDirect3DVertexBuffer9* vertices, const FeatureEdges& edges, D3DCOLOR colour,
                     EdgeShape shape) {
    void* data = nullptr;
    PELMORA_RETURN_IF_FAILED(vertices->Lock(0, 0, &data, 0));
    writeSilhouetteVertices(static_cast<SilhouetteVertex*>(data), edges, colour, shape);
    return vertices->Unlock();
}

HRESULT fillIndices(IDirect3DIndexBuffer9* indices, size_t edges, bool wide) {
    void* data = nullptr;
    PELMORA_RETURN_IF_FAILED(indices->Lock(0, 0, &data, 0));
    if (wide)
        writeIndices(static_cast<uint32_t*>(data), edges);
    else
        writeIndices(static_cast<uint16_t*>(data), edges);
    return indices->Unlock();
}

HRESULT makeQuadIndices(IDirect3DDevice9* device, size_t edges, bool wide, ComPtr<IDirect3DIndexBuffer9>* out) {
    PELMORA_RETURN_IF_FAILED(createInDefaultPoolOrSystemMemory([&](D3DPOOL pool) {
        return device->CreateIndexBuffer(UINT(edges) * kIndicesPerQuad * (wide ? sizeof(uint32_t) : sizeof(uint16_t)),
                                         D3DUSAGE_WRITEONLY, wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16, pool,
                                         out->put(), nullptr);
    }));
    return fillIndices(out->get(), edges, wide);
}

}  // namespace

void writeSilhouetteVertices(SilhouetteVertex* out, const FeatureEdges& edges, D3DCOLOR colour, EdgeShape shape) {
    for (size_t i = 0; i + 1 < edges.unpairedPoints.size(); i += 2)
        out = writeEdge(out, edges.unpairedPoints[i], edges.unpairedPoints[i + 1], kNoNormal, kNoNormal, colour,
                        shape);
    for (const FacePairEdge& edge : edges.facePairs)
        out = writeEdge(out, edge.a, edge.b, edge.normal0, edge.normal1, colour, shape);
}

std::unique_ptr<MeshBatch> makeSilhouetteBatch(IDirect3DDevice9* device, const FeatureEdges& edges,
                                               D3DCOLOR colour, EdgeShape shape) {
    auto batch = std::make_unique<MeshBatch>();
    batch->stride = sizeof(SilhouetteVertex);
    batch->fvf = D3DFVF_SILHOUETTEEDGE;
    batch->primitiveType = shape == EdgeShape::Line ? D3DPT_LINELIST : D3DPT_TRIANGLELIST;
    const size_t edgesInAll = edgeCount(edges);
    if (edgesInAll == 0) return batch;
    const UINT vertexCount = UINT(edgesInAll) * verticesPerEdge(shape);
    ComPtr<IDirect3DVertexBuffer9> vertices;
    ComPtr<IDirect3DIndexBuffer9> indices;
    HRESULT hr = createInDefaultPoolOrSystemMemory([&](D3DPOOL pool) {
        return device->CreateVertexBuffer(vertexCount * sizeof(SilhouetteVertex), D3DUSAGE_WRITEONLY,
                                          D3DFVF_SILHOUETTEEDGE, pool, vertices.put(), nullptr);
    });
    if (SUCCEEDED(hr)) hr = fillVertices(vertices.get(), edges, colour, shape);
    if (SUCCEEDED(hr) && shape == EdgeShape::Quad)
        hr = makeQuadIndices(device, edgesInAll, needsWideIndices(vertexCount), &indices);
    if (FAILED(hr)) {
        PELMORA_TRACE_FAILED(hr);
        return batch;
    }
    batch->hold(std::move(vertices), std::move(indices), device);
    batch->vertexCount = vertexCount;
    batch->primitiveCount = UINT(edgesInAll) * (shape == EdgeShape::Line ? 1 : 2);
    return batch;
}

HRESULT drawSilhouetteEdges(IDirect3DDevice9* device, EdgeShape shape, uint32_t first,
                            uint32_t count) {
    if (count == 0) return S_OK;
    if (shape == EdgeShape::Line)
        return device->DrawPrimitive(D3DPT_LINELIST, first * verticesPerEdge(shape), count);
    const UINT corners = verticesPerEdge(shape);
    return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, first * corners, count * corners,
                                        first * kIndicesPerQuad, count * 2);
}

}  // namespace pelmora
