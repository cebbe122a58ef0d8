// The edges of solid bodies, drawn after every face of the opaque pass
// rather than after each body's own: hidden edges then test against the
// whole scene's depth, and the visible ones are drawn in one block of
// render states instead of switching the device's program, vertex format
// and states twice a body. Bodies queue what they draw; the viewport draws
// the queue at the end of the opaque walk, with the thin line meshes that
// waited to be drawn together (MergedLines).
#pragma once

#include "platform/d3d9/d3d9.h"
#include "platform/d3dx/d3dx9line.h"
#include "scene/MergedLines.h"
#include "scene/RenderAttributes.h"

#include <span>
#include <vector>

namespace pelmora {

struct EdgeRequest;

// What a body with edges implements.
class EdgeSource {
public:
    // Dashed in the hidden colour where faces cover them.
    virtual HRESULT drawHiddenEdges(IDirect3DDevice9* device, const EdgeRequest& request) = 0;
    // In the visible colour, with the edge states set and the width state
    // at the request's visible width: its feature edges, or its silhouettes.
    // Thin silhouettes may go to `outlines` instead, when there are some.
    enum class Part { Borders, Silhouettes };
    virtual HRESULT drawVisibleEdges(IDirect3DDevice9* device, const EdgeRequest& request, Part part,
                                     MergedLines* outlines) = 0;

protected:
    ~EdgeSource() = default;
};

struct EdgeRequest {
    EdgeSource* source = nullptr;
    D3DMATRIX world{};
    RenderAttributes attributes;
    ID3DXLine* lineDrawer = nullptr;  // the viewport's, for the dashes
    bool translucentPass = false;     // asked during the translucent walk
};

// The hidden edges of every request first, so a visible edge in front of a
// hidden one stays whole, then the visible borders, then the silhouettes
// (each part sets the states it needs once, not once a body), the
// silhouettes sent to `outlines` (if given) in one draw after the others.
// The device's states come back as they were.
HRESULT drawEdgeRequests(IDirect3DDevice9* device, std::span<const EdgeRequest> requests,
                         MergedLines* outlines = nullptr);

class EdgePass {
public:
    // Between begin and draw, bodies queue their edges here, and thin line
    // meshes their lines in lines().
    void begin(IDirect3DDevice9* device);
    bool collecting() const { return collecting_; }
    void queue(const EdgeRequest& request) { requests_.push_back(request); }
    MergedLines& lines() { return lines_; }
    // Draws and empties the queue and stops collecting.
    HRESULT draw(IDirect3DDevice9* device);
    // Forgets the queue (a walk that failed).
    void abandon();
    // Lets the merged lines' buffers go (the device's objects are being released).
    void releaseDeviceObjects() {
        lines_.releaseDeviceObjects();
        outlines_.releaseDeviceObjects();
    }

private:
    bool collecting_ = false;
    std::vector<EdgeRequest> requests_;
    MergedLines lines_;
    // Thin silhouettes, seen from this walk's camera, at their own depth.
    MergedLines outlines_{0.0f};
};

}  // namespace pelmora
