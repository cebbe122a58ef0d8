// One usable combination of an adapter, a device type, an adapter format, a
// back-buffer format and windowed or full-screen, with what it supports.
#pragma once

#include "platform/d3d9/d3d9types.h"

#include <set>
#include <vector>

namespace pelmora {

class DXUTAdapterInfo;
class DXUTDeviceInfo;

class DXUTDeviceCombo {
public:
    struct MultiSample {
        D3DMULTISAMPLE_TYPE type;
        DWORD qualityLevels;
    };

    // A depth format and a multisample type that may not be used together.
    struct Conflict {
        D3DFORMAT depthStencilFormat;
        D3DMULTISAMPLE_TYPE multiSampleType;
    };

    bool hasDepthStencilFormat(D3DFORMAT format) const;
    bool hasPresentInterval(UINT interval) const;
    // The multisample entry of that type, or null when the type is not offered.
    const MultiSample* findMultiSample(D3DMULTISAMPLE_TYPE type) const;

    UINT adapterOrdinal = 0;
    D3DDEVTYPE deviceType = static_cast<D3DDEVTYPE>(0);
    D3DFORMAT adapterFormat = D3DFMT_UNKNOWN;
    D3DFORMAT backBufferFormat = D3DFMT_UNKNOWN;
    BOOL windowed = 0;
    // Ordered by numeric value, which is also the tie-break order of the depth choice.
    std::set<D3DFORMAT> depthStencilFormats;
    std::vector<MultiSample> multiSampleTypes;
    std::vector<Conflict> conflicts;
    std::vector<UINT> presentIntervals;
    // Not owned: the records this combination hangs from.
    const DXUTAdapterInfo* adapterInfo = nullptr;
    const DXUTDeviceInfo* deviceInfo = nullptr;
};

}  // namespace pelmora
