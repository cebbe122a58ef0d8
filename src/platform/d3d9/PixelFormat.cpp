#include "platform/d3d9/PixelFormat.h"

#include <bit>
#include <cstring>
#include <iterator>

namespace pelmora::d3d9 {
namespace {

constexpr PixelFormat colour(D3DFORMAT format, uint8_t bytes, uint32_t a, uint32_t r, uint32_t g,
                             uint32_t b) {
    return {format, FormatKind::Colour, bytes, a, r, g, b, false, 0xFF, 0, 0, false};
}

constexpr PixelFormat depth(D3DFORMAT format, uint8_t bytes, uint8_t depthBits, uint8_t stencilBits,
                            bool isFloat) {
    return {format, FormatKind::Depth, bytes, 0, 0, 0, 0, false, 0, depthBits, stencilBits, isFloat};
}

constexpr PixelFormat unsupported(D3DFORMAT format) {
    return {format, FormatKind::Unsupported, 0, 0, 0, 0, 0, false, 0, 0, 0, false};
}

constexpr PixelFormat index(D3DFORMAT format, uint8_t bytes) {
    return {format, FormatKind::Index, bytes, 0, 0, 0, 0, false, 0, 0, 0, false};
}

constexpr PixelFormat luminance(PixelFormat info) {
    info.luminance = true;
    return info;
}

constexpr PixelFormat missingColourZero(PixelFormat info) {
    info.missingColour = 0;
    return info;
}

const PixelFormat kFormats[] = {
    colour(D3DFMT_R8G8B8, 3, 0, 0xFF0000, 0xFF00, 0xFF),
    colour(D3DFMT_A8R8G8B8, 4, 0xFF000000, 0xFF0000, 0xFF00, 0xFF),
    colour(D3DFMT_X8R8G8B8, 4, 0, 0xFF0000, 0xFF00, 0xFF),
    colour(D3DFMT_R5G6B5, 2, 0, 0xF800, 0x07E0, 0x001F),
    colour(D3DFMT_X1R5G5B5, 2, 0, 0x7C00, 0x03E0, 0x001F),
    colour(D3DFMT_A1R5G5B5, 2, 0x8000, 0x7C00, 0x03E0, 0x001F),
    colour(D3DFMT_A4R4G4B4, 2, 0xF000, 0x0F00, 0x00F0, 0x000F),
    colour(D3DFMT_X4R4G4B4, 2, 0, 0x0F00, 0x00F0, 0x000F),
    colour(D3DFMT_R3G3B2, 1, 0, 0xE0, 0x1C, 0x03),
    colour(D3DFMT_A8R3G3B2, 2, 0xFF00, 0xE0, 0x1C, 0x03),
    missingColourZero(colour(D3DFMT_A8, 1, 0xFF, 0, 0, 0)),
    luminance(colour(D3DFMT_L8, 1, 0, 0xFF, 0xFF, 0xFF)),
    colour(D3DFMT_A2B10G10R10, 4, 0xC0000000, 0x3FF, 0xFFC00, 0x3FF00000),
    colour(D3DFMT_A2R10G10B10, 4, 0xC0000000, 0x3FF00000, 0xFFC00, 0x3FF),
    colour(D3DFMT_A8B8G8R8, 4, 0xFF000000, 0xFF, 0xFF00, 0xFF0000),
    colour(D3DFMT_X8B8G8R8, 4, 0, 0xFF, 0xFF00, 0xFF0000),
    colour(D3DFMT_G16R16, 4, 0, 0xFFFF, 0xFFFF0000, 0),
    unsupported(D3DFMT_A16B16G16R16),
    unsupported(D3DFMT_P8),
    depth(D3DFMT_D16_LOCKABLE, 2, 16, 0, false),
    depth(D3DFMT_D32, 4, 32, 0, false),
    unsupported(D3DFMT_D15S1),
    depth(D3DFMT_D24S8, 4, 24, 8, false),
    depth(D3DFMT_D24X8, 4, 24, 0, false),
    unsupported(D3DFMT_D24X4S4),
    depth(D3DFMT_D16, 2, 16, 0, false),
    depth(D3DFMT_D32F_LOCKABLE, 4, 32, 0, true),
    unsupported(D3DFMT_D24FS8),
    index(D3DFMT_INDEX16, 2),
    index(D3DFMT_INDEX32, 4),
};

uint8_t expandChannel(uint32_t pixel, uint32_t mask) {
    if (mask == 0) return 0;
    const uint32_t shift = std::countr_zero(mask);
    const uint32_t maximum = mask >> shift;
    const uint32_t value = (pixel & mask) >> shift;
    return static_cast<uint8_t>((value * 255u + maximum / 2) / maximum);
}

uint32_t compressChannel(uint8_t value, uint32_t mask) {
    if (mask == 0) return 0;
    const uint32_t shift = std::countr_zero(mask);
    const uint64_t maximum = mask >> shift;
    return static_cast<uint32_t>((value * maximum + 127) / 255) << shift;
}

uint32_t loadPixel(const uint8_t* pixel, uint8_t bytes) {
    uint32_t value = 0;
    std::memcpy(&value, pixel, bytes);  // little-endian, as Direct3D surfaces are
    return value;
}

// 32-bit X8R8G8B8 or A8R8G8B8 layouts: a pixel is its 0xAARRGGBB value, the
// alpha forced opaque where the format has none. Read-backs and snapshots of
// the back buffer take this path, a row at a time.
bool isArgb8888(const PixelFormat& info) {
    return info.bytesPerPixel == 4 && !info.luminance && info.redMask == 0x00FF0000u &&
           info.greenMask == 0x0000FF00u && info.blueMask == 0x000000FFu &&
           (info.alphaMask == 0xFF000000u || info.alphaMask == 0);
}

}  // namespace

const PixelFormat* findPixelFormat(D3DFORMAT format) {
    for (const PixelFormat& info : kFormats)
        if (info.format == format) return &info;
    return nullptr;
}

const PixelFormat* pixelFormatTable(size_t* count) {
    *count = std::size(kFormats);
    return kFormats;
}

bool isColourFormat(D3DFORMAT format) {
    const PixelFormat* info = findPixelFormat(format);
    return info && info->kind == FormatKind::Colour;
}

bool isDepthFormat(D3DFORMAT format) {
    const PixelFormat* info = findPixelFormat(format);
    return info && info->kind == FormatKind::Depth;
}

uint32_t pixelToArgb(const PixelFormat& info, const uint8_t* pixel) {
    const uint32_t value = loadPixel(pixel, info.bytesPerPixel);
    const uint8_t alpha = info.alphaMask ? expandChannel(value, info.alphaMask) : 0xFF;
    uint8_t red = info.redMask ? expandChannel(value, info.redMask) : info.missingColour;
    uint8_t green = info.greenMask ? expandChannel(value, info.greenMask) : info.missingColour;
    uint8_t blue = info.blueMask ? expandChannel(value, info.blueMask) : info.missingColour;
    if (info.luminance) green = blue = red;
    return (uint32_t(alpha) << 24) | (uint32_t(red) << 16) | (uint32_t(green) << 8) | blue;
}

void argbToPixel(const PixelFormat& info, uint32_t argb, uint8_t* pixel) {
    const uint8_t alpha = argb >> 24, red = argb >> 16, green = argb >> 8, blue = argb;
    uint32_t value = 0;
    if (info.luminance) {
        // Rec. 601 weights, as a grey conversion of a colour image would use.
        value = compressChannel(static_cast<uint8_t>((299 * red + 587 * green + 114 * blue + 500) / 1000),
                                info.redMask);
    } else {
        value = compressChannel(red, info.redMask) | compressChannel(green, info.greenMask) |
                compressChannel(blue, info.blueMask);
    }
    value |= compressChannel(alpha, info.alphaMask);
    std::memcpy(pixel, &value, info.bytesPerPixel);
}

void convertRowsToArgb(const PixelFormat& info, const uint8_t* source, size_t sourceStride,
                       uint32_t* target, size_t targetStride, int width, int height) {
    if (isArgb8888(info)) {
        const uint32_t opaque = info.alphaMask ? 0 : 0xFF000000u;
        for (int y = 0; y < height; ++y) {
            auto* out = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(target) + y * targetStride);
            std::memcpy(out, source + y * sourceStride, size_t(width) * sizeof(uint32_t));
            if (opaque)
                for (int x = 0; x < width; ++x) out[x] |= opaque;
        }
        return;
    }
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = source + y * sourceStride;
        auto* out = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(target) + y * targetStride);
        for (int x = 0; x < width; ++x) out[x] = pixelToArgb(info, in + x * info.bytesPerPixel);
    }
}

void convertRowsFromArgb(const PixelFormat& info, const uint32_t* source, size_t sourceStride,
                         uint8_t* target, size_t targetStride, int width, int height) {
    for (int y = 0; y < height; ++y) {
        const auto* in =
            reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(source) + y * sourceStride);
        uint8_t* out = target + y * targetStride;
        for (int x = 0; x < width; ++x) argbToPixel(info, in[x], out + x * info.bytesPerPixel);
    }
}

}  // namespace pelmora::d3d9
