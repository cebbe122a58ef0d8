// The device buffers made from a mesh's current geometry, with what the draw
// needs to issue them. Records chain; destroying one releases its buffers and
// the records after it.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/d3d9/d3d9.h"

#include <memory>

namespace pelmora {

struct MeshBatch {
    UINT stride = 0;
    UINT vertexCount = 0;
    DWORD fvf = 0;
    ComPtr<IDirect3DVertexBuffer9> vertexBuffer;
    ComPtr<IDirect3DIndexBuffer9> indexBuffer;  // null for non-indexed draws
    UINT primitiveCount = 0;
    D3DPRIMITIVETYPE primitiveType = D3DPT_TRIANGLELIST;
    std::unique_ptr<MeshBatch> next;
};

}  // namespace pelmora
