// Device contexts over pixel memory: what a surface's GetDC hands out, so a
// host can draw on a surface with its own 2-D library through PelmoraGetDCImage.
#pragma once

#include "platform/d3d9/d3d9types.h"

#include <cstdint>

namespace pelmora::win {

// A memory device context of the given size holding a copy of the pixels
// (0xAARRGGBB, rows top-down); 0 on failure.
HDC createPixelDC(int width, int height, const uint32_t* pixels, int strideInPixels);

// The DC's pixels; false for an unknown handle.
bool getDCPixels(HDC dc, uint32_t** pixels, int* width, int* height, int* strideInPixels);

// Forgets the DC and frees its pixels; false for an unknown handle.
bool deleteDC(HDC dc);

}  // namespace pelmora::win
