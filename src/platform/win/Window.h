// The window layer the device presents into: offscreen windows (pixel buffers
// a host reads back) and attached X11 windows. Pixels are 0xAARRGGBB, rows
// top-down.
#pragma once

#include "platform/d3d9/d3d9types.h"

#include <cstdint>

namespace pelmora::win {

bool windowExists(HWND window);

// The size of the window's client area; false for an unknown window.
bool getClientSize(HWND window, int* width, int* height);

// Puts an image into the window's client area at the destination rectangle,
// scaling when the sizes differ. strideInPixels is the distance between rows.
HRESULT presentPixels(HWND window, const RECT& destination, const uint32_t* pixels, int width,
                      int height, int strideInPixels);

}  // namespace pelmora::win
