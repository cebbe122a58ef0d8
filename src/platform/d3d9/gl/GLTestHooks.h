// Hooks for tests of the device and of its users. No GL types here, so a
// test can include it without including a GL header.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <cstdint>

namespace pelmora::d3d9gl {

// Makes the device behave as after a GL reset: Present and
// TestCooperativeLevel answer D3DERR_DEVICELOST from now on. False for a
// device that is not this backend's.
bool forceDeviceLoss(IDirect3DDevice9* device);

// GL state calls the device has made so far (0 for a foreign device).
uint64_t glStateCallCount(IDirect3DDevice9* device);

// Fixed-function programs the device has built so far.
size_t fixedFunctionProgramCount(IDirect3DDevice9* device);

}  // namespace pelmora::d3d9gl
