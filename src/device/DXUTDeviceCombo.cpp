#include "device/DXUTDeviceCombo.h"

#include <algorithm>

namespace pelmora {

bool DXUTDeviceCombo::hasDepthStencilFormat(D3DFORMAT format) const {
    return depthStencilFormats.count(format) != 0;
}

bool DXUTDeviceCombo::hasPresentInterval(UINT interval) const {
    return std::find(presentIntervals.begin(), presentIntervals.end(), interval) !=
           presentIntervals.end();
}

const DXUTDeviceCombo::MultiSample* DXUTDeviceCombo::findMultiSample(
    D3DMULTISAMPLE_TYPE type) const {
    for (const MultiSample& entry : multiSampleTypes)
        if (entry.type == type)
            return &entry;
    return nullptr;
}

}  // namespace pelmora
