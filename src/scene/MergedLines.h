// Thin opaque lines of many meshes (an assembly's model edges: one line mesh
// a body) drawn together in one call at the end of the opaque walk, from
// one buffer of their points in world space. On the software rasterizer a
// draw costs as much as thousands of line pixels, and most bodies of an
// assembly are small. The buffer is kept while the same geometries draw
// under the same transforms and colours, so an orbiting camera costs one
// draw a frame and no copying; any change remakes it, from the meshes'
// points as they are queued.
#pragma once

#include "meshops/LineVertex.h"
#include "meshops/SolidGeometry.h"
#include "platform/com/ComPtr.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3dx/d3dx9math.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace pelmora {

// The projection with depth moved towards the viewer by `pull` of the depth
// range (z' = z - pull * w, before the division).
D3DMATRIX pulledNearer(const D3DMATRIX& projection, float pull);

class MergedLines {
public:
    // Lines are drawn this share of the depth range nearer the viewer than
    // they lie, so model edges show on the faces they bound instead of
    // fighting them for the depth test.
    static constexpr float kDepthPull = 1.0f / 32768.0f;

    // Lines drawn `depthPull` of the depth range nearer than they lie.
    explicit MergedLines(float depthPull = kDepthPull) : depthPull_(depthPull) {}

    // Starts a walk: the device's depth and colour states now are the ones
    // the lines will be drawn with.
    void begin(IDirect3DDevice9* device);
    // Whether a mesh drawing now may wait for the merged draw: the walk is
    // collecting and the device's states are those begin saw.
    bool accepts(IDirect3DDevice9* device) const;
    // Queues the geometry's polylines under `world` in `colour` (opaque).
    void add(const SolidGeometry& geometry, const D3DMATRIX& world, D3DCOLOR colour);
    // Queues segments (pairs of points) that hold for this walk only, such
    // as the outlines seen from this camera: they are copied every time.
    void addSegments(std::span<const D3DXVECTOR3> pairs, const D3DMATRIX& world, D3DCOLOR colour);
    // Draws what was queued, with lighting and blending off and the depth
    // pulled nearer, and stops collecting; the device's states and
    // transforms come back as they were.
    HRESULT draw(IDirect3DDevice9* device);
    // Stops collecting and forgets the queue (a walk that failed).
    void abandon();
    // Lets the device buffer go (the device's objects are being released).
    void releaseDeviceObjects();

    // ---- What tests read ----
    size_t pieceCount() const { return pieces_.size(); }
    // Times the queued points were copied to the device.
    size_t uploadCount() const { return uploads_; }

private:
    struct Piece {
        uint64_t stamp;  // 0 for segments of one walk
        D3DMATRIX world;
        D3DCOLOR colour;
        size_t end;  // one past its last vertex in points_
        bool same(const Piece& other) const;
    };
    using StateValues = std::array<DWORD, 5>;
    static StateValues readStates(IDirect3DDevice9* device);
    // Leaves the previous frame's pieces from `matched` on: what follows is queued anew.
    void diverge();
    // Stops collecting; the pieces are this walk's from now on.
    void closeQueue();
    HRESULT upload(IDirect3DDevice9* device);

    // Appends the segment (a, b) under `world`.
    void append(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DMATRIX& world, D3DCOLOR colour);
    void finishPiece(Piece piece);

    float depthPull_;
    bool collecting_ = false;
    StateValues states_{};
    // The pieces and points last drawn (or being queued), and how many of
    // them this walk's queue has matched so far.
    std::vector<Piece> pieces_;
    std::vector<LineVertex> points_;
    size_t matched_ = 0;
    bool diverged_ = false;
    bool uploaded_ = false;
    ComPtr<IDirect3DVertexBuffer9> buffer_;
    IDirect3DDevice9* bufferDevice_ = nullptr;
    UINT capacity_ = 0;  // vertices the buffer holds
    size_t uploads_ = 0;
};

}  // namespace pelmora
