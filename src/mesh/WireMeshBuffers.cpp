#include "mesh/WireMeshBuffers.h"

#include "mesh/DeviceBufferPool.h"
#include "mesh/DXSolidMeshBuffers.h"
#include "meshops/LineRuns.h"
#include "core/Diagnostics.h"

#include <algorithm>
#include <vector>

namespace pelmora {

namespace {

// The line vertices and the segments' end-point pairs of the drawable polylines.
struct LinePlan {
    std::vector<LineVertex> vertices;
    std::vector<uint32_t> pairs;
    size_t polylines = 0;
};

LinePlan planLines(const SolidGeometry& geometry, D3DCOLOR colour) {
    LinePlan plan;
    const uint32_t available =
        uint32_t(std::min<size_t>(geometry.vertexCount, geometry.vertices.size()));
    forEachPolyline(geometry.faces.data(), geometry.faces.size(), available,
                    [&](const uint32_t* indices, size_t count) {
                        const uint32_t first = uint32_t(plan.vertices.size());
                        for (size_t k = 0; k < count; ++k) {
                            const MeshVertex& v = geometry.vertices[indices[k]];
                            plan.vertices.push_back({v.x, v.y, v.z, colour});
                        }
                        for (uint32_t k = 0; k + 1 < count; ++k) {
                            plan.pairs.push_back(first + k);
                            plan.pairs.push_back(first + k + 1);
                        }
                        ++plan.polylines;
                    });
    return plan;
}

template <class T>
HRESULT fill(T* buffer, const void* data, size_t bytes) {
    void* target = nullptr;
    PELMORA_RETURN_IF_FAILED(buffer->Lock(0, 0, &target, 0));
    std::copy_n(static_cast<const uint8_t*>(data), bytes, static_cast<uint8_t*>(target));
    PELMORA_RETURN_IF_FAILED(buffer->Unlock());
    return S_OK;
}

HRESULT makeVertexBuffer(IDirect3DDevice9* device, const std::vector<LineVertex>& vertices,
                         ComPtr<IDirect3DVertexBuffer9>& buffer) {
    const UINT bytes = UINT(vertices.size() * sizeof(LineVertex));
    const HRESULT hr = createInDefaultPoolOrSystemMemory([&](D3DPOOL pool) {
        return device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, kLineVertexFvf, pool,
                                          buffer.put(), nullptr);
    });
    if (FAILED(hr)) return PELMORA_TRACE_FAILED(hr);
    return fill(buffer.get(), vertices.data(), bytes);
}

template <class Index>
HRESULT makeIndexBuffer(IDirect3DDevice9* device, const std::vector<uint32_t>& pairs,
                        D3DFORMAT format, ComPtr<IDirect3DIndexBuffer9>& buffer) {
    const std::vector<Index> indices(pairs.begin(), pairs.end());
    const UINT bytes = UINT(indices.size() * sizeof(Index));
    const HRESULT hr = createInDefaultPoolOrSystemMemory([&](D3DPOOL pool) {
        return device->CreateIndexBuffer(bytes, D3DUSAGE_WRITEONLY, format, pool, buffer.put(),
                                         nullptr);
    });
    if (FAILED(hr)) return PELMORA_TRACE_FAILED(hr);
    return fill(buffer.get(), indices.data(), bytes);
}

HRESULT makeIndices(IDirect3DDevice9* device, const LinePlan& plan,
                    ComPtr<IDirect3DIndexBuffer9>& buffer) {
    if (needsWideIndices(UINT(plan.vertices.size())))
        return makeIndexBuffer<uint32_t>(device, plan.pairs, D3DFMT_INDEX32, buffer);
    return makeIndexBuffer<uint16_t>(device, plan.pairs, D3DFMT_INDEX16, buffer);
}

}  // namespace

std::unique_ptr<MeshBatch> makeWireBatch(IDirect3DDevice9* device, const SolidGeometry& geometry,
                                         D3DCOLOR colour) {
    auto batch = std::make_unique<MeshBatch>();
    batch->stride = sizeof(LineVertex);
    batch->fvf = kLineVertexFvf;
    const LinePlan plan = planLines(geometry, colour);
    if (plan.pairs.empty()) return batch;

    const bool strip = plan.polylines == 1;
    ComPtr<IDirect3DVertexBuffer9> vertices;
    ComPtr<IDirect3DIndexBuffer9> indices;
    if (FAILED(makeVertexBuffer(device, plan.vertices, vertices))) return batch;
    if (!strip && FAILED(makeIndices(device, plan, indices))) return batch;
    batch->hold(std::move(vertices), std::move(indices), device);
    batch->vertexCount = UINT(plan.vertices.size());
    batch->primitiveCount = UINT(plan.pairs.size() / 2);
    batch->primitiveType = strip ? D3DPT_LINESTRIP : D3DPT_LINELIST;
    return batch;
}

}  // namespace pelmora
