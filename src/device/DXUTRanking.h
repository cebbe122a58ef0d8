// How well a combination fits the optimal device setting: a sum of weights,
// heaviest for the adapter, then the device type, then windowed or not, then
// the finer format and presentation matches.
#pragma once

#include "device/DXUTDeviceCombo.h"
#include "device/DXUTDeviceSettings.h"

namespace pelmora {

// The combination must hang from its adapter and device records.
float rankDeviceCombo(const DXUTDeviceCombo& combo, const DXUTDeviceSettings& optimal,
                      const D3DDISPLAYMODE& desktopMode);

}  // namespace pelmora
