// What the example hosts share: the demo assembly's bodies (a holed base
// plate, two posts, a ball, a ring and a translucent cover) and writing
// pixels to a PNG file.
#pragma once

#include <pelmora/pelmora.h>

#include <SampleKernel.h>

#include <png.h>

#include <cstdint>
#include <vector>

namespace demo {

struct Part {
    const char* name;
    samplekernel::Shape shape;
    int color;  // 0xAARRGGBB
};

inline std::vector<Part> assemblyParts() {
    using namespace samplekernel;
    const int steel = static_cast<int>(0xFF4682B4u);
    const int brass = static_cast<int>(0xFFD4A017u);
    return {
        {"base plate", Plate{{-2.0, -1.5, -0.3}, 1.0, 4, 3, 0.3,
                             {{0, 0, 0.25}, {3, 0, 0.25}, {0, 2, 0.25}, {3, 2, 0.25}}},
         steel},
        {"left post", Cylinder{{-1.0, 0.0, 0.0}, 0.25, 1.4}, steel},
        {"right post", Cylinder{{1.0, 0.0, 0.0}, 0.25, 1.4}, steel},
        {"ball", Sphere{{-1.0, 0.0, 1.75}, 0.35}, brass},
        {"ring", Torus{{1.0, 0.0, 1.4}, 0.45, 0.12}, brass},
        {"cover", Box{{-1.6, -0.9, 2.2}, {1.6, 0.9, 2.28}}, static_cast<int>(0x6080C0FFu)},
    };
}

// 0xAARRGGBB pixels, top row first, written opaque.
inline HRESULT writePng(const char* path, int width, int height, const uint32_t* pixels) {
    std::vector<uint32_t> opaque(pixels, pixels + size_t(width) * height);
    for (uint32_t& p : opaque) p |= 0xFF000000u;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_BGRA;  // 0xAARRGGBB in memory on a little-endian machine
    if (!png_image_write_to_file(&image, path, 0, opaque.data(), 0, nullptr)) return E_FAIL;
    return S_OK;
}

}  // namespace demo
