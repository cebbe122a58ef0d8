// The triangles of wide polylines in screen space, gathered into one indexed
// triangle list so that many polylines draw in one call.
//
// Where a join can share its two vertices between the segments (a mitre that
// stays within the mitre limit and takes at most half of either segment), the
// segments meet there without overlap. Elsewhere each segment ends square at
// the point and a wedge fills the outer side of the turn: the mitre's, or a
// bevel where the mitre would grow past the limit. So a corner has no gap at
// any width, and a sharp turn no spike.
#pragma once

#include "platform/d3dx/d3dx9math.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmora::d3dx {

// A point on the screen in pixels, with the depth and 1/w the device needs.
struct ScreenPoint {
    float x, y, z, rhw;
};

// D3DFVF_XYZRHW | D3DFVF_DIFFUSE.
struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
};
inline constexpr DWORD kScreenVertexFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

// A mitre at most this many half-widths from its point; sharper joins bevel.
inline constexpr float kMiterLimit = 4.0f;

class WideLineMesh {
public:
    // Keeps the storage, so a mesh refilled every frame allocates nothing.
    void clear();
    bool empty() const { return indices_.empty(); }
    // True while every colour appended so far is fully opaque.
    bool opaque() const { return opaque_; }

    // Appends the triangles covering the polyline at the given width.
    // Repeated points are skipped; fewer than two distinct points add
    // nothing. A polyline that ends where it starts is closed with a join.
    void append(const ScreenPoint* points, size_t count, float width, D3DCOLOR colour);

    const std::vector<ScreenVertex>& vertices() const { return vertices_; }
    const std::vector<uint32_t>& indices() const { return indices_; }
    size_t triangleCount() const { return indices_.size() / 3; }

private:
    struct Pair {
        uint32_t plus, minus;  // the vertices on the left and the right of the line
    };
    struct Segment;
    struct Join {
        Pair end;    // where the segment before the point ends
        Pair start;  // where the segment after it starts
    };

    const ScreenPoint* withoutRepeats(const ScreenPoint* points, size_t* count);
    Join join(const ScreenPoint& p, const Segment& before, const Segment& after);

    // Written here, in the class, so that every caller gets them inlined:
    // they run a few times for every point of every polyline drawn.
    uint32_t vertex(const ScreenPoint& p, float dx, float dy) {
        const auto index = uint32_t(vertices_.size());
        vertices_.push_back({p.x + dx, p.y + dy, p.z, p.rhw, colour_});
        return index;
    }
    Pair across(const ScreenPoint& p, float nx, float ny, float scale) {
        const uint32_t plus = vertex(p, nx * scale, ny * scale);
        return {plus, vertex(p, -nx * scale, -ny * scale)};
    }
    void triangle(uint32_t a, uint32_t b, uint32_t c) {
        indices_.push_back(a);
        indices_.push_back(b);
        indices_.push_back(c);
    }
    void quad(const Pair& from, const Pair& to) {
        triangle(from.plus, from.minus, to.plus);
        triangle(from.minus, to.minus, to.plus);
    }

    std::vector<ScreenVertex> vertices_;
    std::vector<uint32_t> indices_;
    std::vector<ScreenPoint> distinct_;  // scratch, reused
    float half_ = 0.5f;
    D3DCOLOR colour_ = 0;
    bool opaque_ = true;
};

// The visible runs of a polyline projected through a matrix and a viewport.
// Points behind the near plane are cut off, a segment crossing the plane
// ending where it crosses, so one polyline may give several runs. Refilled
// per polyline without allocating once it has grown.
class ProjectedRuns {
public:
    void project(const D3DXVECTOR3* points, size_t count, const D3DMATRIX& transform,
                 const D3DVIEWPORT9& viewport);

    size_t runCount() const { return runEnds_.size(); }
    const ScreenPoint* run(size_t index) const;
    size_t runLength(size_t index) const;

private:
    void endRun();

    std::vector<ScreenPoint> points_;
    std::vector<size_t> runEnds_;  // one past each run's last point
};

}  // namespace pelmora::d3dx
