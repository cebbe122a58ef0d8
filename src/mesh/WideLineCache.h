// A wire mesh's wide lines as screen-space triangles (mitred joins, bevels
// past the mitre limit, cut at the front plane: the line drawer's geometry),
// kept with the transform, viewport, width and colour they were made for.
// While those stay, as they do whenever a view is redrawn without moving,
// the lines draw again from device buffers: no point projected, nothing
// streamed. A view that moves has them made afresh and drawn from memory;
// the buffers are made only once a view has come to rest, so a moving view
// never waits on a buffer the rasterizer still reads.
#pragma once

#include "meshops/WireChunks.h"
#include "platform/com/ComPtr.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3dx/D3DXLineGeometry.h"

namespace pelmora {

class WideLineCache {
public:
    // Draws the chunks' polylines through the transform (to clip space) at
    // the width in pixels, in the device's current render states; sets the
    // vertex format (d3dx::kScreenVertexFvf), stream and indices.
    HRESULT draw(IDirect3DDevice9* device, const WireChunks& chunks, const D3DMATRIX& transform, float width,
                 D3DCOLOR colour);
    // Forgets the triangles and lets the buffers go.
    void clear();

    // ---- What tests read ----
    // Whether the triangles lie in device buffers (the view has not moved).
    bool buffered() const { return vertices_.get() != nullptr; }

private:
    struct Key {
        D3DMATRIX transform;
        D3DVIEWPORT9 viewport;
        float width;
        D3DCOLOR colour;
    };
    static bool same(const Key& a, const Key& b);

    void build(const WireChunks& chunks, const Key& key);
    HRESULT upload(IDirect3DDevice9* device);
    HRESULT drawFromMemory(IDirect3DDevice9* device) const;
    HRESULT drawFromBuffers(IDirect3DDevice9* device) const;

    Key key_{};
    bool valid_ = false;
    d3dx::WideLineMesh mesh_;  // emptied once uploaded
    d3dx::ProjectedRuns runs_;
    ComPtr<IDirect3DVertexBuffer9> vertices_;
    ComPtr<IDirect3DIndexBuffer9> indices_;
    // The device the buffers were made on, alive while they are: compared,
    // not asked, at every draw.
    IDirect3DDevice9* bufferDevice_ = nullptr;
    UINT vertexCount_ = 0;
    UINT triangleCount_ = 0;
};

}  // namespace pelmora
