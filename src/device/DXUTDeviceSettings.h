// One complete device setting: where the device lives, how it processes
// vertices and how its swap chain is laid out. Used both as a request and as
// the valid setting chosen for it.
#pragma once

#include "platform/d3d9/d3d9types.h"

namespace pelmora {

struct DXUTDeviceSettings {
    UINT adapterOrdinal = 0;
    D3DDEVTYPE deviceType = static_cast<D3DDEVTYPE>(0);
    D3DFORMAT adapterFormat = D3DFMT_UNKNOWN;
    DWORD behaviorFlags = 0;
    D3DPRESENT_PARAMETERS pp{};
};

}  // namespace pelmora
