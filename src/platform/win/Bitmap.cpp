#include "platform/win/Bitmap.h"

#include <pelmora/host.h>

#include "core/Diagnostics.h"
#include "platform/win/Gdi.h"

#include <cstring>

namespace pelmora::win {

Bitmap::Bitmap(int width, int height, const uint32_t* pixels, int strideInPixels)
    : width_(width), height_(height), pixels_(size_t(width) * size_t(height), kOpaqueBlack) {
    if (!pixels) return;
    for (int y = 0; y < height; ++y)
        std::memcpy(row(y), pixels + std::ptrdiff_t(y) * strideInPixels,
                    size_t(width) * sizeof(uint32_t));
}

}  // namespace pelmora::win

using namespace pelmora::win;

PELMORA_API int PelmoraCreateBitmap(int width, int height, const uint32_t* pixels) {
    return createBitmap(width, height, pixels, width);
}

PELMORA_API HRESULT PelmoraGetBitmapImage(int hBitmap, int* width, int* height,
                                          const uint32_t** pixels) {
    std::shared_ptr<Bitmap> bitmap = findGdiObject<Bitmap>(hBitmap);
    if (!bitmap) {
        pelmora::logFormat("PelmoraGetBitmapImage: unknown bitmap %d\n", hBitmap);
        return E_HANDLE;
    }
    if (!width || !height || !pixels) {
        pelmora::logFormat("PelmoraGetBitmapImage: null out pointer (bitmap %d)\n", hBitmap);
        return E_POINTER;
    }
    *width = bitmap->width();
    *height = bitmap->height();
    *pixels = bitmap->pixels();
    return S_OK;
}
