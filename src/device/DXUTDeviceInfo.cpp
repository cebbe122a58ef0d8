#include "device/DXUTDeviceInfo.h"

namespace pelmora {

bool DXUTDeviceInfo::hasHardwareTransformAndLighting() const {
    return (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0;
}

std::unique_ptr<DXUTDeviceInfo> DXUTDeviceInfo::clone(const DXUTAdapterInfo* adapter) const {
    auto copy = std::make_unique<DXUTDeviceInfo>();
    copy->adapterOrdinal = adapterOrdinal;
    copy->deviceType = deviceType;
    copy->caps = caps;
    for (const auto& combo : combos) {
        auto comboCopy = std::make_unique<DXUTDeviceCombo>(*combo);
        comboCopy->adapterInfo = adapter;
        comboCopy->deviceInfo = copy.get();
        copy->combos.push_back(std::move(comboCopy));
    }
    return copy;
}

}  // namespace pelmora
