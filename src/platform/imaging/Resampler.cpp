#include "platform/imaging/Resampler.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace pelmora::imaging {

namespace {

constexpr int kChannels = 4;
constexpr float kMaxChannel = 255.0f;

// The source pixels that contribute to each output pixel along one axis.
struct AxisTaps {
    std::vector<int> first;   // first source index, per output index
    std::vector<int> count;   // number of taps, per output index
    std::vector<int> offset;  // start of the weights, per output index
    std::vector<float> weights;
};

float triangle(double x) { return static_cast<float>(std::max(0.0, 1.0 - std::fabs(x))); }

// Taps for outputs [from, from + length) of an axis scaled from sourceSize to
// outSize. Pixel centres sit at half-integers; taps that fall outside the
// source are dropped and the rest renormalised, which clamps to the edge.
AxisTaps computeTaps(int sourceSize, int outSize, int from, int length) {
    const double scale = double(sourceSize) / outSize;
    const double width = std::max(scale, 1.0);
    AxisTaps taps;
    for (int i = from; i < from + length; ++i) {
        const double centre = (i + 0.5) * scale;
        const int lo = std::max(0, int(std::floor(centre - width)));
        const int hi = std::min(sourceSize, int(std::ceil(centre + width)));
        const size_t start = taps.weights.size();
        int first = -1;
        float sum = 0.0f;
        for (int j = lo; j < hi; ++j) {
            float w = triangle((j + 0.5 - centre) / width);
            if (w <= 0.0f) continue;
            if (first < 0) first = j;  // the triangle is positive on one run
            taps.weights.push_back(w);
            sum += w;
        }
        if (first < 0) {  // cannot happen for a positive width; nearest pixel then
            first = std::clamp(int(centre), 0, sourceSize - 1);
            taps.weights.push_back(1.0f);
            sum = 1.0f;
        }
        for (size_t k = start; k < taps.weights.size(); ++k) taps.weights[k] /= sum;
        taps.first.push_back(first);
        taps.count.push_back(int(taps.weights.size() - start));
        taps.offset.push_back(int(start));
    }
    return taps;
}

using Premultiplied = std::array<float, kChannels>;  // b, g, r, a; colours times alpha

Premultiplied premultiply(uint32_t argb) {
    const float a = float(argb >> 24);
    const float f = a / kMaxChannel;
    return {float(argb & 0xFF) * f, float((argb >> 8) & 0xFF) * f, float((argb >> 16) & 0xFF) * f,
            a};
}

uint32_t toChannel(float value) {
    return uint32_t(std::clamp(std::lround(value), 0L, long(kMaxChannel)));
}

uint32_t unpremultiply(const float* p) {
    const float a = p[3];
    if (a <= 0.0f) return 0;
    const float f = kMaxChannel / a;
    return (toChannel(a) << 24) | (toChannel(p[2] * f) << 16) | (toChannel(p[1] * f) << 8) |
           toChannel(p[0] * f);
}

void copyRegion(const ImageView& source, const PixelRegion& region, uint32_t* out, int outStride) {
    for (int y = 0; y < region.height; ++y)
        std::memcpy(out + std::ptrdiff_t(y) * outStride, source.row(region.y + y) + region.x,
                    size_t(region.width) * sizeof(uint32_t));
}

}  // namespace

void resampleRegion(const ImageView& source, int outWidth, int outHeight, const PixelRegion& region,
                    uint32_t* out, int outStride) {
    if (region.width <= 0 || region.height <= 0) return;
    if (outWidth == source.width && outHeight == source.height) {
        copyRegion(source, region, out, outStride);
        return;
    }
    const AxisTaps columns = computeTaps(source.width, outWidth, region.x, region.width);
    const AxisTaps rows = computeTaps(source.height, outHeight, region.y, region.height);
    const int rowLo = rows.first.front();
    const int rowHi = rows.first.back() + rows.count.back();

    // Horizontal pass over just the source rows the vertical taps reach.
    const size_t lineFloats = size_t(region.width) * kChannels;
    std::vector<float> filtered(size_t(rowHi - rowLo) * lineFloats, 0.0f);
    for (int sy = rowLo; sy < rowHi; ++sy) {
        const uint32_t* line = source.row(sy);
        float* target = filtered.data() + size_t(sy - rowLo) * lineFloats;
        for (int x = 0; x < region.width; ++x) {
            const float* w = columns.weights.data() + columns.offset[x];
            float* sum = target + size_t(x) * kChannels;
            for (int k = 0; k < columns.count[x]; ++k) {
                const Premultiplied p = premultiply(line[columns.first[x] + k]);
                for (int c = 0; c < kChannels; ++c) sum[c] += p[c] * w[k];
            }
        }
    }

    std::vector<float> sum(lineFloats);
    for (int y = 0; y < region.height; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        const float* w = rows.weights.data() + rows.offset[y];
        for (int k = 0; k < rows.count[y]; ++k) {
            const float* line = filtered.data() + size_t(rows.first[y] + k - rowLo) * lineFloats;
            for (size_t i = 0; i < lineFloats; ++i) sum[i] += line[i] * w[k];
        }
        uint32_t* target = out + std::ptrdiff_t(y) * outStride;
        for (int x = 0; x < region.width; ++x)
            target[x] = unpremultiply(&sum[size_t(x) * kChannels]);
    }
}

Image resample(const ImageView& source, int outWidth, int outHeight) {
    Image image;
    if (!source.valid() || outWidth <= 0 || outHeight <= 0) return image;
    image.width = outWidth;
    image.height = outHeight;
    image.pixels.resize(size_t(outWidth) * size_t(outHeight));
    resampleRegion(source, outWidth, outHeight, PixelRegion{0, 0, outWidth, outHeight},
                   image.pixels.data(), outWidth);
    return image;
}

}  // namespace pelmora::imaging
