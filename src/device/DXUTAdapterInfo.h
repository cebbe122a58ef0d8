// One display adapter: its identifier, the name it is reported by, the
// display modes it offers and its usable device types.
#pragma once

#include "device/DXUTDeviceInfo.h"
#include "platform/d3d9/d3d9types.h"

#include <memory>
#include <string>
#include <vector>

namespace pelmora {

class DXUTAdapterInfo {
public:
    // Longest description kept before the " (#n)" suffix, in wide characters.
    static constexpr size_t kMaxDescriptionLength = 100;

    DXUTAdapterInfo() = default;
    DXUTAdapterInfo(const DXUTAdapterInfo&) = delete;
    DXUTAdapterInfo& operator=(const DXUTAdapterInfo&) = delete;

    // A deep copy, with every back reference pointing into the copy.
    std::unique_ptr<DXUTAdapterInfo> clone() const;

    const DXUTDeviceInfo* findDeviceInfo(D3DDEVTYPE type) const;
    // True when a display mode has the format and the size.
    bool hasDisplayMode(D3DFORMAT format, UINT width, UINT height) const;
    // True when a display mode has the format and the refresh rate.
    bool hasRefreshRate(D3DFORMAT format, UINT refreshRate) const;

    UINT adapterOrdinal = 0;
    D3DADAPTER_IDENTIFIER9 identifier{};
    // The description as a wide string, with " (#n)" when another adapter shares it.
    std::u16string uniqueDescription;
    // Sorted by width, height, format, then refresh rate.
    std::vector<D3DDISPLAYMODE> displayModes;
    // The display formats seen, in the order they were found.
    std::vector<D3DFORMAT> adapterFormats;
    std::vector<std::unique_ptr<DXUTDeviceInfo>> deviceInfos;
};

}  // namespace pelmora
