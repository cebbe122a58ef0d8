// Vertex sizes of flexible vertex formats.
#include "platform/d3dx/d3dx9mesh.h"

namespace {

// Position kinds within D3DFVF_POSITION_MASK, with the floats each takes.
struct PositionKind {
    DWORD bits;
    UINT floats;
};
constexpr PositionKind kPositions[] = {
    {0x002, 3},  // XYZ
    {0x004, 4},  // XYZRHW
    {0x006, 4},  // XYZB1
    {0x008, 5},  // XYZB2
    {0x00A, 6},  // XYZB3
    {0x00C, 7},  // XYZB4
    {0x00E, 8},  // XYZB5
    {0x4002, 4}, // XYZW
};

// Two bits per texture coordinate set from bit 16: 0 = 2 floats, 1 = 3, 2 = 4, 3 = 1.
constexpr int kTexCoordSizeShift = 16;
constexpr UINT kTexCoordFloats[4] = {2, 3, 4, 1};
constexpr DWORD kMaxTexCoordSets = 8;

}  // namespace

UINT D3DXGetFVFVertexSize(DWORD fvf) {
    UINT floats = 0;
    for (const PositionKind& kind : kPositions)
        if ((fvf & D3DFVF_POSITION_MASK) == kind.bits) floats = kind.floats;
    if (floats == 0) return 0;
    if (fvf & D3DFVF_NORMAL) floats += 3;
    if (fvf & D3DFVF_PSIZE) floats += 1;
    if (fvf & D3DFVF_DIFFUSE) floats += 1;
    if (fvf & D3DFVF_SPECULAR) floats += 1;
    const DWORD sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (sets > kMaxTexCoordSets) return 0;
    for (DWORD i = 0; i < sets; ++i) floats += kTexCoordFloats[(fvf >> (kTexCoordSizeShift + 2 * i)) & 3];
    return floats * UINT(sizeof(float));
}
