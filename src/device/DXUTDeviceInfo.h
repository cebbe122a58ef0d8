// One device type of an adapter, with its capabilities and the combinations
// it supports.
#pragma once

#include "device/DXUTDeviceCombo.h"
#include "platform/d3d9/d3d9types.h"

#include <memory>
#include <vector>

namespace pelmora {

class DXUTDeviceInfo {
public:
    DXUTDeviceInfo() = default;
    DXUTDeviceInfo(const DXUTDeviceInfo&) = delete;
    DXUTDeviceInfo& operator=(const DXUTDeviceInfo&) = delete;

    bool hasHardwareTransformAndLighting() const;

    // A deep copy whose combinations point at the copy and at the given adapter.
    std::unique_ptr<DXUTDeviceInfo> clone(const DXUTAdapterInfo* adapter) const;

    UINT adapterOrdinal = 0;
    D3DDEVTYPE deviceType = static_cast<D3DDEVTYPE>(0);
    D3DCAPS9 caps{};
    std::vector<std::unique_ptr<DXUTDeviceCombo>> combos;
};

}  // namespace pelmora
