#include "mesh/DXSolidMeshBuffers.h"

#include "mesh/DeviceBufferPool.h"
#include "core/Diagnostics.h"

#include <algorithm>
#include <cstring>

namespace pelmora {

namespace {

// Device vertices are always the whole 32-byte record, texture coordinates
// included (zeros where none are kept): the layout hosts and tools expect of
// a solid's buffers.
constexpr uint32_t kDeviceStride = VertexPositions::kFullStride;
static_assert(kDeviceStride * sizeof(float) == sizeof(MeshVertex));

struct BufferShape {
    UINT vertices;   // vertices in the buffer
    UINT triangles;  // triangles in the buffer
    UINT sides;      // 2 when double-sided
    bool wideIndices;
};

HRESULT fillVertices(IDirect3DVertexBuffer9* buffer, const SolidGeometry& geometry, UINT sides) {
    void* data = nullptr;
    PELMORA_RETURN_IF_FAILED(buffer->Lock(0, 0, &data, 0));
    writeSolidVertices(static_cast<float*>(data), geometry, sides, kDeviceStride);
    PELMORA_RETURN_IF_FAILED(buffer->Unlock());
    return S_OK;
}

template <class Index, class Stored>
Index* writeIndices(Index* out, const Stored* stored, size_t count, UINT sides, uint32_t offset) {
    for (size_t i = 0; i < count; ++i) *out++ = Index(stored[i]);
    if (sides < 2) return out;
    // Back faces: the reversed-normal copy, wound the other way.
    for (size_t i = 0; i + 2 < count; i += 3) {
        *out++ = Index(stored[i + 1] + offset);
        *out++ = Index(stored[i] + offset);
        *out++ = Index(stored[i + 2] + offset);
    }
    return out;
}

template <class Index>
void writeIndices(Index* out, const SolidGeometry& geometry, UINT sides) {
    const size_t count = 3 * size_t(geometry.count);
    geometry.triangles.visit([&](const auto* stored, size_t held) {
        writeIndices(out, stored, std::min(count, held), sides, geometry.vertexCount);
    });
}

HRESULT fillIndices(IDirect3DIndexBuffer9* buffer, const SolidGeometry& geometry,
                    const BufferShape& shape) {
    void* data = nullptr;
    PELMORA_RETURN_IF_FAILED(buffer->Lock(0, 0, &data, 0));
    writeSolidIndices(data, geometry, shape.sides, shape.wideIndices);
    PELMORA_RETURN_IF_FAILED(buffer->Unlock());
    return S_OK;
}

HRESULT makeVertexBuffer(IDirect3DDevice9* device, const SolidGeometry& geometry,
                         const BufferShape& shape, ComPtr<IDirect3DVertexBuffer9>& buffer) {
    const HRESULT hr = createInDefaultPoolOrSystemMemory([&](D3DPOOL pool) {
        return device->CreateVertexBuffer(shape.vertices * UINT(sizeof(MeshVertex)), D3DUSAGE_WRITEONLY,
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

void writeSolidVertices(float* out, const SolidGeometry& geometry, UINT sides, uint32_t stride) {
    const size_t count = geometry.vertexCount;
    geometry.surface.write(out, stride);
    if (sides < 2) return;
    float* back = out + count * stride;
    std::memcpy(back, out, count * stride * sizeof(float));
    // The normal follows the position: floats 3 to 5 of each vertex.
    for (size_t at = 3; at < count * stride; at += stride)
        for (size_t k = 0; k < 3; ++k) back[at + k] = -back[at + k];
}

void writeSolidIndices(void* out, const SolidGeometry& geometry, UINT sides, bool wide) {
    if (wide)
        writeIndices(static_cast<uint32_t*>(out), geometry, sides);
    else
        writeIndices(static_cast<uint16_t*>(out), geometry, sides);
}

std::unique_ptr<MeshBatch> makeSolidBatch(IDirect3DDevice9* device, const SolidGeometry* geometry,
                                          bool doubleSided) {
    auto batch = std::make_unique<MeshBatch>();
    batch->stride = UINT(sizeof(MeshVertex));
    batch->fvf = kMeshVertexFvf;
    batch->primitiveType = D3DPT_TRIANGLELIST;
    if (geometry == nullptr || geometry->vertexCount == 0 || geometry->count == 0) return batch;

    const UINT sides = doubleSided ? 2 : 1;
    const BufferShape shape{geometry->vertexCount * sides, geometry->count * sides, sides,
                            needsWideIndices(geometry->vertexCount * sides)};
    ComPtr<IDirect3DVertexBuffer9> vertices;
    ComPtr<IDirect3DIndexBuffer9> indices;
    if (FAILED(makeVertexBuffer(device, *geometry, shape, vertices)) ||
        FAILED(makeIndexBuffer(device, *geometry, shape, indices)))
        return batch;
    batch->hold(std::move(vertices), std::move(indices), device);
    batch->vertexCount = shape.vertices;
    batch->primitiveCount = shape.triangles;
    return batch;
}

ComPtr<ID3DXMesh> makeSolidMeshObject(IDirect3DDevice9* device, const SolidGeometry* geometry,
                                      bool doubleSided) {
    ComPtr<ID3DXMesh> mesh;
    if (device == nullptr || geometry == nullptr || geometry->count == 0) return mesh;
    const UINT sides = doubleSided ? 2 : 1;
    const bool wide = needsWideIndices(geometry->vertexCount * sides);
    const DWORD options = D3DXMESH_SYSTEMMEM | (wide ? D3DXMESH_32BIT : 0);
    HRESULT hr = D3DXCreateMeshFVF(geometry->count * sides, geometry->vertexCount * sides, options,
                                   kMeshVertexFvf, device, mesh.put());
    if (FAILED(hr)) {
        PELMORA_TRACE_FAILED(hr);
        return ComPtr<ID3DXMesh>();
    }
    void* data = nullptr;
    if (FAILED(hr = mesh->LockVertexBuffer(0, &data))) {
        PELMORA_TRACE_FAILED(hr);
        return ComPtr<ID3DXMesh>();
    }
    writeSolidVertices(static_cast<float*>(data), *geometry, sides, VertexPositions::kFullStride);
    mesh->UnlockVertexBuffer();
    if (FAILED(hr = mesh->LockIndexBuffer(0, &data))) {
        PELMORA_TRACE_FAILED(hr);
        return ComPtr<ID3DXMesh>();
    }
    writeSolidIndices(data, *geometry, sides, wide);
    mesh->UnlockIndexBuffer();
    return mesh;
}

}  // namespace pelmora
