#include "platform/d3dx/D3DXImageFilter.h"

#include "platform/d3dx/d3dx9tex.h"
#include "platform/imaging/Resampler.h"

#include <algorithm>
#include <cmath>

namespace pelmora::d3dx {
namespace {

constexpr DWORD kFilterMask = 0xFF;
constexpr int kChannels = 4;

int channel(uint32_t pixel, int c) { return int((pixel >> (8 * c)) & 0xFF); }

uint32_t pack(const float (&sums)[kChannels], float weight) {
    uint32_t pixel = 0;
    for (int c = 0; c < kChannels; ++c) {
        const int v = std::clamp(int(std::lround(sums[c] / weight)), 0, 255);
        pixel |= uint32_t(v) << (8 * c);
    }
    return pixel;
}

imaging::Image blank(int width, int height) {
    imaging::Image image{width, height, {}};
    image.pixels.assign(size_t(width) * size_t(height), 0);
    return image;
}

imaging::Image unscaled(const imaging::ImageView& source, int width, int height) {
    imaging::Image out = blank(width, height);
    for (int y = 0; y < std::min(height, source.height); ++y)
        std::copy_n(source.row(y), std::min(width, source.width), &out.pixels[size_t(y) * width]);
    return out;
}

// The source coordinate whose pixel centre lies under target pixel i.
float sourceCentre(int i, int sourceSize, int targetSize) {
    return (float(i) + 0.5f) * float(sourceSize) / float(targetSize) - 0.5f;
}

imaging::Image point(const imaging::ImageView& source, int width, int height) {
    imaging::Image out = blank(width, height);
    for (int y = 0; y < height; ++y) {
        const int sy = std::min(source.height - 1, y * source.height / height);
        for (int x = 0; x < width; ++x)
            out.pixels[size_t(y) * width + x] = source.row(sy)[std::min(source.width - 1, x * source.width / width)];
    }
    return out;
}

imaging::Image linear(const imaging::ImageView& source, int width, int height) {
    imaging::Image out = blank(width, height);
    for (int y = 0; y < height; ++y) {
        const float fy = std::clamp(sourceCentre(y, source.height, height), 0.0f, float(source.height - 1));
        const int y0 = int(fy), y1 = std::min(y0 + 1, source.height - 1);
        const float ty = fy - float(y0);
        for (int x = 0; x < width; ++x) {
            const float fx = std::clamp(sourceCentre(x, source.width, width), 0.0f, float(source.width - 1));
            const int x0 = int(fx), x1 = std::min(x0 + 1, source.width - 1);
            const float tx = fx - float(x0);
            const uint32_t corners[4] = {source.row(y0)[x0], source.row(y0)[x1], source.row(y1)[x0],
                                         source.row(y1)[x1]};
            const float weights[4] = {(1 - tx) * (1 - ty), tx * (1 - ty), (1 - tx) * ty, tx * ty};
            float sums[kChannels] = {};
            for (int k = 0; k < 4; ++k)
                for (int c = 0; c < kChannels; ++c) sums[c] += weights[k] * float(channel(corners[k], c));
            out.pixels[size_t(y) * width + x] = pack(sums, 1.0f);
        }
    }
    return out;
}

// Each target pixel averages the source pixels its footprint covers, each
// weighted by how much of it is covered.
imaging::Image box(const imaging::ImageView& source, int width, int height) {
    imaging::Image out = blank(width, height);
    const float scaleX = float(source.width) / float(width), scaleY = float(source.height) / float(height);
    for (int y = 0; y < height; ++y) {
        const float top = float(y) * scaleY, bottom = top + scaleY;
        for (int x = 0; x < width; ++x) {
            const float left = float(x) * scaleX, right = left + scaleX;
            float sums[kChannels] = {};
            float total = 0;
            for (int sy = int(top); sy < source.height && float(sy) < bottom; ++sy) {
                const float wy = std::min(bottom, float(sy + 1)) - std::max(top, float(sy));
                for (int sx = int(left); sx < source.width && float(sx) < right; ++sx) {
                    const float w = wy * (std::min(right, float(sx + 1)) - std::max(left, float(sx)));
                    for (int c = 0; c < kChannels; ++c) sums[c] += w * float(channel(source.row(sy)[sx], c));
                    total += w;
                }
            }
            out.pixels[size_t(y) * width + x] = total > 0 ? pack(sums, total) : 0;
        }
    }
    return out;
}

}  // namespace

bool parseFilter(DWORD filter, ImageFilter fallback, ImageFilter* result) {
    if (filter == D3DX_DEFAULT) {
        *result = fallback;
        return true;
    }
    switch (filter & kFilterMask) {
        case D3DX_FILTER_NONE: *result = ImageFilter::None; return true;
        case D3DX_FILTER_POINT: *result = ImageFilter::Point; return true;
        case D3DX_FILTER_LINEAR: *result = ImageFilter::Linear; return true;
        case D3DX_FILTER_TRIANGLE: *result = ImageFilter::Triangle; return true;
        case D3DX_FILTER_BOX: *result = ImageFilter::Box; return true;
        default: return false;
    }
}

void applyColourKey(imaging::Image* image, D3DCOLOR key) {
    if (key == 0) return;
    for (uint32_t& pixel : image->pixels)
        if (pixel == key) pixel = 0;
}

imaging::Image scaleImage(const imaging::ImageView& source, int width, int height, ImageFilter filter) {
    if (filter == ImageFilter::None) return unscaled(source, width, height);
    if (source.width == width && source.height == height) return unscaled(source, width, height);
    switch (filter) {
        case ImageFilter::Point: return point(source, width, height);
        case ImageFilter::Linear: return linear(source, width, height);
        case ImageFilter::Box: return box(source, width, height);
        default: return imaging::resample(source, width, height);
    }
}

}  // namespace pelmora::d3dx
