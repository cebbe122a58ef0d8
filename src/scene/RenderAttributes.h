// The drawing attributes a frame hands down its subtree, passed by value.
#pragma once

#include <pelmora/dxcontext.h>

#include <cstdint>

namespace pelmora {

struct RenderAttributes {
    int32_t lineWidth = 1;
    uint32_t drawFlags = SOLID_MESH_DRAW_SOLIDS;
    uint32_t visibleColor = 0xFF000000u;
    int32_t visibleWidth = 3;
    uint32_t hiddenColor = 0xFF808080u;
    int32_t hiddenWidth = 1;
    int32_t overrideRender = 0;  // 0 or 1
};

}  // namespace pelmora
