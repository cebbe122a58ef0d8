// The D3DCAPS9 of an adapter, from what its OpenGL implementation reported
// when it was probed. Only what the device really does is claimed.
#pragma once

#include "platform/d3d9/d3d9types.h"

namespace pelmora::d3d9gl {

struct EglAdapter;

// Lights the generated vertex programs handle at once.
constexpr DWORD kMaxActiveLights = 8;
// Texture stages the fixed-function programs implement.
constexpr DWORD kTextureStagesDrawn = 1;

D3DCAPS9 capsFor(const EglAdapter& adapter, UINT ordinal);

}  // namespace pelmora::d3d9gl
