#include "device/DXUTAdapterInfo.h"

namespace pelmora {

std::unique_ptr<DXUTAdapterInfo> DXUTAdapterInfo::clone() const {
    auto copy = std::make_unique<DXUTAdapterInfo>();
    copy->adapterOrdinal = adapterOrdinal;
    copy->identifier = identifier;
    copy->uniqueDescription = uniqueDescription;
    copy->displayModes = displayModes;
    copy->adapterFormats = adapterFormats;
    for (const auto& device : deviceInfos)
        copy->deviceInfos.push_back(device->clone(copy.get()));
    return copy;
}

const DXUTDeviceInfo* DXUTAdapterInfo::findDeviceInfo(D3DDEVTYPE type) const {
    for (const auto& device : deviceInfos)
        if (device->deviceType == type)
            return device.get();
    return nullptr;
}

bool DXUTAdapterInfo::hasDisplayMode(D3DFORMAT format, UINT width, UINT height) const {
    for (const D3DDISPLAYMODE& mode : displayModes)
        if (mode.Format == format && mode.Width == width && mode.Height == height)
            return true;
    return false;
}

bool DXUTAdapterInfo::hasRefreshRate(D3DFORMAT format, UINT refreshRate) const {
    for (const D3DDISPLAYMODE& mode : displayModes)
        if (mode.Format == format && mode.RefreshRate == refreshRate)
            return true;
    return false;
}

}  // namespace pelmora
