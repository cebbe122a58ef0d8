// The vertex of thin lines: a point and its colour (D3DFVF_XYZ | D3DFVF_DIFFUSE).
#pragma once

#include "platform/d3d9/d3d9.h"

namespace pelmora {

struct LineVertex {
    float x, y, z;
    D3DCOLOR colour;
};
static_assert(sizeof(LineVertex) == 16);
constexpr DWORD kLineVertexFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;  // 0x42

}  // namespace pelmora
