// The triangles of a wide polyline in screen space. Consecutive segments meet
// in a mitre, so a corner is filled without gaps or overlap; joins sharper
// than the mitre limit are bevelled instead of growing long spikes.
#pragma once

#include "platform/d3dx/d3dx9math.h"

#include <cstddef>
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

// Appends a triangle strip covering the polyline at the given width to strip.
// Repeated points are skipped; fewer than two distinct points add nothing.
void appendWideLineStrip(const ScreenPoint* points, size_t count, float width, D3DCOLOR colour,
                         std::vector<ScreenVertex>* strip);

// Projects a polyline through the matrix and the viewport. The parts in
// front of the near plane come back as separate runs of screen points; a
// segment crossing the plane is cut where it crosses.
std::vector<std::vector<ScreenPoint>> projectPolyline(const D3DXVECTOR3* points, size_t count,
                                                      const D3DMATRIX& transform,
                                                      const D3DVIEWPORT9& viewport);

}  // namespace pelmora::d3dx
