// Every D3DFORMAT the device layer knows, with its memory layout, and whether
// it exists here at all. Formats the backend cannot store are listed as
// unsupported rather than left out, so a query answers "not available" from
// the table instead of from a missing row. Nothing here knows how a backend
// stores a format.
#pragma once

#include "platform/d3d9/d3d9types.h"

#include <cstddef>
#include <cstdint>

namespace pelmora::d3d9 {

enum class FormatKind : uint8_t { Unsupported, Colour, Depth, Index };

struct PixelFormat {
    D3DFORMAT format;
    FormatKind kind;
    uint8_t bytesPerPixel;
    // Channel masks within a little-endian pixel; a luminance format repeats
    // its one channel into red, green and blue.
    uint32_t alphaMask, redMask, greenMask, blueMask;
    bool luminance;
    // Value a colour channel reads as when the format lacks it.
    uint8_t missingColour;
    uint8_t depthBits;
    uint8_t stencilBits;
    bool floatDepth;
};

// The row for a format, or nullptr for a value the device has never heard of.
const PixelFormat* findPixelFormat(D3DFORMAT format);

// All rows, in a fixed order.
const PixelFormat* pixelFormatTable(size_t* count);

bool isColourFormat(D3DFORMAT format);
bool isDepthFormat(D3DFORMAT format);

// One pixel in the format to 0xAARRGGBB and back.
uint32_t pixelToArgb(const PixelFormat& info, const uint8_t* pixel);
void argbToPixel(const PixelFormat& info, uint32_t argb, uint8_t* pixel);

// Rows of pixels to and from 0xAARRGGBB; strides in bytes.
void convertRowsToArgb(const PixelFormat& info, const uint8_t* source, size_t sourceStride,
                       uint32_t* target, size_t targetStride, int width, int height);
void convertRowsFromArgb(const PixelFormat& info, const uint32_t* source, size_t sourceStride,
                         uint8_t* target, size_t targetStride, int width, int height);

}  // namespace pelmora::d3d9
