// Exits 0 when a picture shows a lit body: at least 5% of its pixels differ
// from the background, and at least 2% are body pixels that are clearly
// bright (a black or unlit silhouette has none). The background is a
// vertical gradient: a row's own is its first pixel. Prints the counts.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (argc != 2 || !png_image_begin_read_from_file(&image, argv[1])) return 2;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return 2;
    const size_t pixels = size_t(image.width) * image.height;
    size_t body = 0, bright = 0;
    for (size_t i = 0; i < pixels; ++i) {
        const png_byte* p = &rgb[3 * i];
        const png_byte* back = &rgb[3 * (i - i % image.width)];
        const int difference = std::abs(p[0] - back[0]) + std::abs(p[1] - back[1]) + std::abs(p[2] - back[2]);
        if (difference <= 24) continue;
        ++body;
        if ((299 * p[0] + 587 * p[1] + 114 * p[2]) / 1000 >= 90) ++bright;
    }
    std::printf("%s: %zu of %zu pixels show the model, %zu of them bright\n", argv[1], body, pixels, bright);
    return body * 20 >= pixels && bright * 50 >= pixels ? 0 : 1;
}
