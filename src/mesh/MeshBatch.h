// The device buffers made from a mesh's current geometry, with what the draw
// needs to issue them. Records chain; destroying one releases its buffers and
// the records after it.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/d3d9/d3d9.h"

#include <memory>

namespace pelmora {

struct MeshBatch {
    // Takes the buffers made on `on`; they keep that device alive, so the
    // pointer names it for as long as they are held.
    void hold(ComPtr<IDirect3DVertexBuffer9> vertices, ComPtr<IDirect3DIndexBuffer9> indices,
              IDirect3DDevice9* on) {
        vertexBuffer = std::move(vertices);
        indexBuffer = std::move(indices);
        device = on;
    }
    // Whether the buffers were made on this device: a device re-created
    // since, or another viewport's, needs buffers of its own. No call on a
    // buffer, as this is asked at every draw.
    bool madeOn(IDirect3DDevice9* other) const { return vertexBuffer && device == other; }

    UINT stride = 0;
    UINT vertexCount = 0;
    DWORD fvf = 0;
    ComPtr<IDirect3DVertexBuffer9> vertexBuffer;
    ComPtr<IDirect3DIndexBuffer9> indexBuffer;  // null for non-indexed draws
    IDirect3DDevice9* device = nullptr;          // the buffers' own
    UINT primitiveCount = 0;
    D3DPRIMITIVETYPE primitiveType = D3DPT_TRIANGLELIST;
    std::unique_ptr<MeshBatch> next;
};

}  // namespace pelmora
