#include "geometry/DXSolidMeshBuffers.h"

#include "geometry/DeviceBufferPool.h"
#include "host/Diagnostics.h"

#include <cstring>

namespace pelmora {

namespace {

struct BufferShape {
    UINT vertices;   // vertices in the buffer
    UINT triangles;  // triangles in the buffer
    UINT sides;      // 2 when double-sided
    bool wideIndices;
};

HRESULT fillVertices(IDirect3DVertexBuffer9* buffer, const SolidGeometry& geometry, UINT sides) {
    void* data = nullptr;
    PELMORA_RETURN_IF_FAILED(buffer->Lock(0, 0, &data, 0));
    auto* out = static_cast<MeshVertex*>(data);
    const size_t count = geometry.vertexCount;
    std::memcpy(out, geometry.vertices.data(), count * sizeof(MeshVertex));
    if (sides == 2) {
        for (size_t i = 0; i < count; ++i) {
            MeshVertex back = geometry.vertices[i];
            back.nx = -back.nx;
            back.ny = -back.ny;
            back.nz = -back.nz;
            out[count + i] = back;
        }
    }
    PELMORA_RETURN_IF_FAILED(buffer->Unlock());
    return S_OK;
}

template <class Index>
void writeIndices(Index* out, const SolidGeometry& geometry, UINT sides) {
    const uint32_t* face = geometry.faces.data();
    const uint32_t triangles = geometry.count;
    for (uint32_t t = 0; t < triangles; ++t, face += kTriangleEntry) {
        for (int k = 1; k <= 3; ++k) *out++ = Index(face[k]);
    }
    if (sides < 2) return;
    // Back faces: the reversed-normal copy, wound the other way.
    const uint32_t offset = geometry.vertexCount;
    face = geometry.faces.data();
    for (uint32_t t = 0; t < triangles; ++t, face += kTriangleEntry) {
        *out++ = Index(face[2] + offset);
        *out++ = Index(face[1] + offset);
        *out++ = Index(face[3] + offset);
    }
}

HRESULT fillIndices(IDirect3DIndexBuffer9* buffer, const SolidGeometry& geometry,
                    const BufferShape& shape) {
    void* data = nullptr;
    PELMORA_RETURN_IF_FAILED(buffer->Lock(0, 0, &data, 0));
    if (shape.wideIndices)
        writeIndices(static_cast<uint32_t*>(data), geometry, shape.sides);
    else
        writeIndices(static_cast<uint16_t*>(data), geometry, shape.sides);
    PELMORA_RETURN_IF_FAILED(buffer->Unlock());
    return S_OK;
}

HRESULT makeVertexBuffer(IDirect3DDevice9* device, const SolidGeometry& geometry,
                         const BufferShape& shape, ComPtr<IDirect3DVertexBuffer9>& buffer) {
    const HRESULT hr = createInDefaultPoolOrSystemMemory([&](D3DPOOL pool) {
        return device->CreateVertexBuffer(shape.vertices * sizeof(MeshVertex), D3DUSAGE_WRITEONLY,
                                          kMeshVertexFvf, pool, buffer.put(), nullptr);
    });
    if (FAILED(hr)) return PELMORA_TRACE_FAILED(hr);
    return fillVertices(buffer.get(), geometry, shape.sides);
}

HRESULT makeIndexBuffer(IDirect3DDevice9* device, const SolidGeometry& geometry,
                        const BufferShape& shape, ComPtr<IDirect3DIndexBuffer9>& buffer) {
    const UINT indexSize = shape.wideIndices ? sizeof(uint32_t) : sizeof(uint16_t);
    const D3DFORMAT format = shape.wideIndices ? D3DFMT_INDEX32 : D3DFMT_INDEX16;
    const HRESULT hr = createInDefaultPoolOrSystemMemory([&](D3DPOOL pool) {
        return device->CreateIndexBuffer(shape.triangles * 3 * indexSize, D3DUSAGE_WRITEONLY,
                                         format, pool, buffer.put(), nullptr);
    });
    if (FAILED(hr)) return PELMORA_TRACE_FAILED(hr);
    return fillIndices(buffer.get(), geometry, shape);
}

}  // namespace

std::unique_ptr<MeshBatch> makeSolidBatch(IDirect3DDevice9* device, const SolidGeometry* geometry,
                                          bool doubleSided) {
    auto batch = std::make_unique<MeshBatch>();
    batch->stride = sizeof(MeshVertex);
    batch->fvf = kMeshVertexFvf;
    batch->primitiveType = D3DPT_TRIANGLELIST;
    if (geometry == nullptr || geometry->vertexCount == 0 || geometry->count == 0) return batch;

    const UINT sides = doubleSided ? 2 : 1;
    const BufferShape shape{geometry->vertexCount * sides, geometry->count * sides, sides,
                            geometry->vertexCount * sides > kMaxIndex16Vertices};
    ComPtr<IDirect3DVertexBuffer9> vertices;
    ComPtr<IDirect3DIndexBuffer9> indices;
    if (FAILED(makeVertexBuffer(device, *geometry, shape, vertices)) ||
        FAILED(makeIndexBuffer(device, *geometry, shape, indices)))
        return batch;
    batch->vertexBuffer = std::move(vertices);
    batch->indexBuffer = std::move(indices);
    batch->vertexCount = shape.vertices;
    batch->primitiveCount = shape.triangles;
    return batch;
}

}  // namespace pelmora
