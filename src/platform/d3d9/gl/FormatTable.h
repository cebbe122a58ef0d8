// How OpenGL stores and uploads each D3DFORMAT: the device layer's pixel
// layout joined with the GL storage of the same format. A format GL cannot
// store keeps its layout row with zero GL enumerants.
#pragma once

#include "platform/d3d9/PixelFormat.h"

#include <cstddef>
#include <cstdint>

namespace pelmora::d3d9gl {

using d3d9::argbToPixel;
using d3d9::convertRowsFromArgb;
using d3d9::convertRowsToArgb;
using d3d9::FormatKind;
using d3d9::isColourFormat;
using d3d9::isDepthFormat;
using d3d9::pixelToArgb;

struct FormatInfo : d3d9::PixelFormat {
    // OpenGL enumerants, kept as plain integers so this table reads without GL headers.
    uint32_t internalFormat;
    uint32_t uploadFormat;
    uint32_t uploadType;
    // Non-zero when sampling must reorder channels (luminance, alpha-only).
    int32_t swizzle[4];
    // True when OpenGL has no upload type for the layout: upload goes through 32-bit ARGB.
    bool uploadAsArgb;
};

// The row for a format, or nullptr for a value the device has never heard of.
const FormatInfo* findFormat(D3DFORMAT format);

// All rows, in the layout table's order, for probing what the GL implementation accepts.
const FormatInfo* formatTable(size_t* count);

}  // namespace pelmora::d3d9gl
