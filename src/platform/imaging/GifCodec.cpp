// GIF through giflib: its median-cut quantiser picks the 256-colour palette
// and maps the pixels. The quantiser works on 5 bits per channel, which
// alone leaves errors of 30 levels on smooth gradients and turns white into
// (248, 248, 248); one step of k-means at full precision follows: each entry
// becomes the mean of its pixels, each pixel moves to its nearest entry, and
// the entries are averaged again.
#include "platform/imaging/ImageCodecs.h"

#include <array>
#include <limits>
#include <memory>
#include <unordered_map>

#include <gif_lib.h>

namespace pelmora::imaging {

namespace {

constexpr int kPaletteSize = 256;
constexpr int kColorResolution = 8;
constexpr int kBackgroundIndex = 0;

struct MapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColorMap = std::unique_ptr<ColorMapObject, MapDeleter>;

struct Planes {
    std::vector<GifByteType> red, green, blue;
};

Planes splitPlanes(const ImageView& image) {
    Planes planes;
    const size_t count = size_t(image.width) * size_t(image.height);
    planes.red.reserve(count);
    planes.green.reserve(count);
    planes.blue.reserve(count);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const uint32_t pixel = image.row(y)[x];
            planes.red.push_back(GifByteType(pixel >> 16));
            planes.green.push_back(GifByteType(pixel >> 8));
            planes.blue.push_back(GifByteType(pixel));
        }
    }
    return planes;
}

void refinePalette(const Planes& planes, const std::vector<GifByteType>& indices,
                   GifColorType* colors) {
    std::array<std::array<uint64_t, 4>, kPaletteSize> sums{};  // red, green, blue, count
    for (size_t i = 0; i < indices.size(); ++i) {
        auto& sum = sums[indices[i]];
        sum[0] += planes.red[i];
        sum[1] += planes.green[i];
        sum[2] += planes.blue[i];
        ++sum[3];
    }
    for (int i = 0; i < kPaletteSize; ++i) {
        const auto& sum = sums[i];
        if (sum[3] == 0) continue;
        colors[i].Red = GifByteType((sum[0] + sum[3] / 2) / sum[3]);
        colors[i].Green = GifByteType((sum[1] + sum[3] / 2) / sum[3]);
        colors[i].Blue = GifByteType((sum[2] + sum[3] / 2) / sum[3]);
    }
}

int squaredDistance(const GifColorType& color, int red, int green, int blue) {
    const int dr = color.Red - red, dg = color.Green - green, db = color.Blue - blue;
    return dr * dr + dg * dg + db * db;
}

GifByteType nearestEntry(const GifColorType* colors, int red, int green, int blue) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < kPaletteSize && bestDistance > 0; ++i) {
        const int distance = squaredDistance(colors[i], red, green, blue);
        if (distance < bestDistance) best = i, bestDistance = distance;
    }
    return GifByteType(best);
}

// Each pixel to its nearest palette entry, searched once per distinct colour.
void remapToNearest(const Planes& planes, const GifColorType* colors,
                    std::vector<GifByteType>& indices) {
    std::unordered_map<uint32_t, GifByteType> nearest;
    for (size_t i = 0; i < indices.size(); ++i) {
        const uint32_t key =
            uint32_t(planes.red[i]) << 16 | uint32_t(planes.green[i]) << 8 | planes.blue[i];
        auto [found, added] = nearest.try_emplace(key, 0);
        if (added)
            found->second = nearestEntry(colors, planes.red[i], planes.green[i], planes.blue[i]);
        indices[i] = found->second;
    }
}

HRESULT encode(GifFileType* gif, const ImageView& image, const ColorMapObject* map,
               std::vector<GifByteType>& indices) {
    if (EGifPutScreenDesc(gif, image.width, image.height, kColorResolution, kBackgroundIndex,
                          map) == GIF_ERROR ||
        EGifPutImageDesc(gif, 0, 0, image.width, image.height, false, nullptr) == GIF_ERROR)
        return E_FAIL;
    for (int y = 0; y < image.height; ++y)
        if (EGifPutLine(gif, &indices[size_t(y) * image.width], image.width) == GIF_ERROR)
            return E_FAIL;
    return S_OK;
}

}  // namespace

HRESULT writeGif(const char* path, const ImageView& image, std::string* reason) {
    Planes planes = splitPlanes(image);
    std::vector<GifByteType> indices(planes.red.size());
    ColorMap map(GifMakeMapObject(kPaletteSize, nullptr));
    if (!map) {
        *reason = "cannot allocate a colour map";
        return E_OUTOFMEMORY;
    }
    int colorCount = kPaletteSize;
    if (GifQuantizeBuffer(unsigned(image.width), unsigned(image.height), &colorCount,
                          planes.red.data(), planes.green.data(), planes.blue.data(),
                          indices.data(), map->Colors) == GIF_ERROR) {
        *reason = "colour quantisation failed";
        return E_FAIL;
    }
    refinePalette(planes, indices, map->Colors);
    remapToNearest(planes, map->Colors, indices);
    refinePalette(planes, indices, map->Colors);

    int error = 0;
    GifFileType* gif = EGifOpenFileName(path, false, &error);
    if (!gif) {
        *reason = std::string(GifErrorString(error)) + " (" + systemReason() + ")";
        return E_FAIL;
    }
    HRESULT status = encode(gif, image, map.get(), indices);
    if (FAILED(status)) error = gif->Error;
    if (EGifCloseFile(gif, &error) == GIF_ERROR) status = E_FAIL;
    if (FAILED(status)) *reason = GifErrorString(error);
    return status;
}

}  // namespace pelmora::imaging
