// The D3DCAPS9 of an adapter, from what it reported when the backend probed
// it. Only what the device really does is claimed.
#pragma once

#include "platform/d3d9/d3d9types.h"

namespace pelmora::d3d9state {

// What a probed adapter reported, as far as its caps depend on it.
struct AdapterLimits {
    bool software = false;
    int maxTextureSize = 0;
    float maxSmoothLineWidth = 1.0f;
    float maxPointSize = 1.0f;
};

// Lights the generated vertex programs handle at once.
constexpr DWORD kMaxActiveLights = 8;
// Texture stages the fixed-function programs implement.
constexpr DWORD kTextureStagesDrawn = 1;

D3DCAPS9 capsFor(const AdapterLimits& adapter, UINT ordinal);

}  // namespace pelmora::d3d9state
