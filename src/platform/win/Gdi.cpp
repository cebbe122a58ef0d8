#include "platform/win/Gdi.h"

#include <pelmora/host.h>

#include "core/Diagnostics.h"
#include "platform/imaging/Resampler.h"
#include "platform/win/Bitmap.h"
#include "platform/win/DeviceContext.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace pelmora::win {

namespace {

constexpr uint32_t kOpaqueWhite = 0xFFFFFFFFu;
constexpr uint32_t kColorBits = 0x00FFFFFFu;

bool fail(const char* function, const char* what, int handle) {
    logFormat("%s: %s (handle %d)\n", function, what, handle);
    return false;
}

HBITMAP stockBitmap() {
    static const HBITMAP handle = [] {
        auto bitmap = std::make_shared<Bitmap>(1, 1, nullptr, 1);
        bitmap->markStock();
        return gdiObjects().add(std::move(bitmap));
    }();
    return handle;
}

// The bitmap a context draws on now, kept alive for the caller.
std::shared_ptr<Bitmap> targetOf(HDC dc) {
    std::shared_ptr<DeviceContext> context = findGdiObject<DeviceContext>(dc);
    if (!context) return nullptr;
    std::lock_guard<std::mutex> lock(gdiSelectionMutex());
    return context->targetBitmap();
}

bool isPatternOperation(DWORD rop) {
    return rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY || rop == DSTINVERT;
}

// A rectangle clipped to a width x height bitmap; false when nothing is left.
bool clipRegion(int64_t x, int64_t y, int64_t width, int64_t height, int boundsWidth,
                int boundsHeight, imaging::PixelRegion* region) {
    const int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(x + width, boundsWidth);
    const int64_t bottom = std::min<int64_t>(y + height, boundsHeight);
    if (right <= left || bottom <= top) return false;
    *region = {int(left), int(top), int(right - left), int(bottom - top)};
    return true;
}

// A one-to-one copy clipped against both bitmaps.
struct CopyArea {
    int64_t x, y, sourceX, sourceY, width, height;

    bool clip(const Bitmap& to, const Bitmap& from) {
        const int64_t shiftX = std::max<int64_t>({0, -x, -sourceX});
        const int64_t shiftY = std::max<int64_t>({0, -y, -sourceY});
        x += shiftX, sourceX += shiftX, width -= shiftX;
        y += shiftY, sourceY += shiftY, height -= shiftY;
        width = std::min<int64_t>({width, to.width() - x, from.width() - sourceX});
        height = std::min<int64_t>({height, to.height() - y, from.height() - sourceY});
        return width > 0 && height > 0;
    }
};

void copyPixels(Bitmap& to, const Bitmap& from, const CopyArea& area) {
    const size_t rowBytes = size_t(area.width) * sizeof(uint32_t);
    std::vector<uint32_t> staged;
    if (&to == &from) {  // overlapping copies read the source as it was
        staged.resize(size_t(area.width) * size_t(area.height));
        for (int64_t r = 0; r < area.height; ++r)
            std::memcpy(&staged[size_t(r * area.width)],
                        from.pixels() + (area.sourceY + r) * from.width() + area.sourceX, rowBytes);
    }
    for (int64_t r = 0; r < area.height; ++r) {
        const uint32_t* source =
            staged.empty() ? from.pixels() + (area.sourceY + r) * from.width() + area.sourceX
                           : &staged[size_t(r * area.width)];
        std::memcpy(to.row(int(area.y + r)) + area.x, source, rowBytes);
    }
}

// Which source index a destination index samples: the source pixel under
// the destination pixel's centre.
int64_t nearestSource(int64_t offset, int64_t sourceStart, int64_t sourceLength, int64_t length) {
    return sourceStart + ((2 * offset + 1) * sourceLength) / (2 * length);
}

struct StretchSource {
    imaging::ImageView image;  // the source rectangle's pixels
    int64_t x, y, width, height;
};

void stretchNearest(Bitmap& to, const imaging::ImageView& from, const StretchSource& source, int x,
                    int y, int width, int height, const imaging::PixelRegion& region) {
    for (int dy = region.y; dy < region.y + region.height; ++dy) {
        const int64_t sy = nearestSource(dy - y, source.y, source.height, height);
        if (sy < 0 || sy >= from.height) continue;
        uint32_t* out = to.row(dy);
        for (int dx = region.x; dx < region.x + region.width; ++dx) {
            const int64_t sx = nearestSource(dx - x, source.x, source.width, width);
            if (sx >= 0 && sx < from.width) out[dx] = from.row(int(sy))[sx];
        }
    }
}

bool insideImage(const imaging::ImageView& image, const StretchSource& source) {
    return source.x >= 0 && source.y >= 0 && source.x + source.width <= image.width &&
           source.y + source.height <= image.height;
}

void stretchFiltered(Bitmap& to, const imaging::ImageView& from, const StretchSource& source, int x,
                     int y, int width, int height, const imaging::PixelRegion& region) {
    const imaging::ImageView part{from.row(int(source.y)) + source.x, int(source.width),
                                  int(source.height), from.stride};
    imaging::resampleRegion(part, width, height,
                            {region.x - x, region.y - y, region.width, region.height},
                            to.row(region.y) + region.x, to.width());
}

uint32_t fillColor(DWORD rop, uint32_t brush) {
    return rop == BLACKNESS ? kOpaqueBlack : rop == WHITENESS ? kOpaqueWhite : brush;
}

}  // namespace

HBITMAP createBitmap(int width, int height, const uint32_t* pixels, int strideInPixels) {
    if (!Bitmap::validSize(width, height) || (pixels && strideInPixels < width)) {
        logFormat("createBitmap: bad size %d x %d or stride %d\n", width, height, strideInPixels);
        return 0;
    }
    try {
        return gdiObjects().add(std::make_shared<Bitmap>(width, height, pixels, strideInPixels));
    } catch (const std::bad_alloc&) {
        logFormat("createBitmap: out of memory for %d x %d\n", width, height);
        return 0;
    }
}

HBITMAP createCompatibleBitmap(HDC dc, int width, int height) {
    if (dc != 0 && !findGdiObject<DeviceContext>(dc))
        return fail("createCompatibleBitmap", "unknown device context", dc);
    return createBitmap(width, height, nullptr, width);
}

HDC createCompatibleDC(HDC dc) {
    if (dc != 0 && !findGdiObject<DeviceContext>(dc))
        return fail("createCompatibleDC", "unknown device context", dc);
    const HBITMAP stock = stockBitmap();
    try {
        return gdiObjects().add(
            std::make_shared<DeviceContext>(findGdiObject<Bitmap>(stock), stock));
    } catch (const std::bad_alloc&) {
        return fail("createCompatibleDC", "out of memory", dc);
    }
}

HGDIOBJ selectObject(HDC dc, HGDIOBJ object) {
    const char* function = "selectObject";
    std::shared_ptr<DeviceContext> context = findGdiObject<DeviceContext>(dc);
    if (!context) return fail(function, "unknown device context", dc);
    if (context->ownsSurface())
        return fail(function, "a surface's device context draws only on its surface", dc);
    std::shared_ptr<Bitmap> bitmap = findGdiObject<Bitmap>(object);
    if (!bitmap) return fail(function, "not a bitmap", object);

    std::lock_guard<std::mutex> lock(gdiSelectionMutex());
    const HDC holder = bitmap->selectedInto();
    if (!bitmap->isStock() && holder != 0 && holder != dc && findGdiObject<DeviceContext>(holder))
        return fail(function, "the bitmap is selected into another device context", object);
    const HGDIOBJ previous = context->selectedHandle();
    Bitmap& replaced = context->target();
    if (replaced.selectedInto() == dc) replaced.setSelectedInto(0);
    if (!bitmap->isStock()) bitmap->setSelectedInto(dc);
    context->select(std::move(bitmap), object);
    return previous;
}

bool deleteObject(HGDIOBJ object) {
    const char* function = "DeleteObject";
    std::shared_ptr<GdiObject> found = gdiObjects().find(object);
    if (!found) return fail(function, "unknown handle", object);
    auto* bitmap = dynamic_cast<Bitmap*>(found.get());
    if (!bitmap) return fail(function, "device contexts are deleted with DeleteDC", object);
    std::lock_guard<std::mutex> lock(gdiSelectionMutex());
    if (bitmap->isStock()) return true;
    const HDC holder = bitmap->selectedInto();
    if (holder != 0 && findGdiObject<DeviceContext>(holder))
        return fail(function, "the bitmap is still selected into a device context", object);
    gdiObjects().remove(object);
    return true;
}

int getObject(HGDIOBJ object, int bufferSize, void* buffer) {
    std::shared_ptr<Bitmap> bitmap = findGdiObject<Bitmap>(object);
    if (!bitmap) return fail("getObject", "not a bitmap", object);
    constexpr int kRecordSize = int(sizeof(BITMAP));
    if (!buffer) return kRecordSize;
    if (bufferSize < kRecordSize) return fail("getObject", "buffer too small", object);
    BITMAP record{OBJ_BITMAP_TYPE,
                  bitmap->width(),
                  bitmap->height(),
                  LONG(bitmap->width() * sizeof(uint32_t)),
                  1,
                  kBitmapBitsPerPixel,
                  nullptr};
    std::memcpy(buffer, &record, sizeof record);
    return kRecordSize;
}

imaging::ImageView getBitmapImage(HBITMAP handle) {
    std::shared_ptr<Bitmap> bitmap = findGdiObject<Bitmap>(handle);
    return bitmap ? bitmap->view() : imaging::ImageView{};
}

bool bitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
            int sourceY, DWORD rop) {
    if (isPatternOperation(rop)) return patBlt(destination, x, y, width, height, rop);
    if (rop != SRCCOPY) return fail("bitBlt", "unsupported raster operation", int(rop));
    std::shared_ptr<Bitmap> to = targetOf(destination);
    if (!to) return fail("bitBlt", "unknown destination device context", destination);
    std::shared_ptr<Bitmap> from = targetOf(source);
    if (!from) return fail("bitBlt", "unknown source device context", source);
    CopyArea area{x, y, sourceX, sourceY, width, height};
    if (!area.clip(*to, *from)) return true;
    try {
        copyPixels(*to, *from, area);
    } catch (const std::bad_alloc&) {
        return fail("bitBlt", "out of memory", destination);
    }
    return true;
}

bool stretchBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
                int sourceY, int sourceWidth, int sourceHeight, DWORD rop) {
    const char* function = "stretchBlt";
    if (isPatternOperation(rop)) return patBlt(destination, x, y, width, height, rop);
    if (rop != SRCCOPY) return fail(function, "unsupported raster operation", int(rop));
    if (width < 0 || height < 0 || sourceWidth < 0 || sourceHeight < 0)
        return fail(function, "mirroring is not supported", destination);
    std::shared_ptr<DeviceContext> context = findGdiObject<DeviceContext>(destination);
    std::shared_ptr<Bitmap> to = targetOf(destination);
    if (!context || !to) return fail(function, "unknown destination device context", destination);
    std::shared_ptr<Bitmap> from = targetOf(source);
    if (!from) return fail(function, "unknown source device context", source);
    if (width == sourceWidth && height == sourceHeight)
        return bitBlt(destination, x, y, width, height, source, sourceX, sourceY, rop);
    imaging::PixelRegion region;
    if (width == 0 || height == 0 || sourceWidth == 0 || sourceHeight == 0 ||
        !clipRegion(x, y, width, height, to->width(), to->height(), &region))
        return true;
    try {
        // Reading and writing one bitmap: sample a copy of it.
        imaging::Image snapshot;
        imaging::ImageView image = from->view();
        if (to == from) {
            snapshot.width = image.width;
            snapshot.height = image.height;
            snapshot.pixels.assign(from->pixels(),
                                   from->pixels() + size_t(image.width) * image.height);
            image = snapshot.view();
        }
        const StretchSource rect{image, sourceX, sourceY, sourceWidth, sourceHeight};
        if (context->stretchMode() == HALFTONE && insideImage(image, rect))
            stretchFiltered(*to, image, rect, x, y, width, height, region);
        else
            stretchNearest(*to, image, rect, x, y, width, height, region);
    } catch (const std::bad_alloc&) {
        return fail(function, "out of memory", destination);
    }
    return true;
}

bool patBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
    std::shared_ptr<DeviceContext> context = findGdiObject<DeviceContext>(dc);
    std::shared_ptr<Bitmap> target = targetOf(dc);
    if (!context || !target) return fail("patBlt", "unknown device context", dc);
    if (!isPatternOperation(rop)) return fail("patBlt", "unsupported raster operation", int(rop));
    int64_t left = x, top = y, w = width, h = height;
    if (w < 0) left += w, w = -w;
    if (h < 0) top += h, h = -h;
    imaging::PixelRegion region;
    if (!clipRegion(left, top, w, h, target->width(), target->height(), &region)) return true;
    const uint32_t color = fillColor(rop, context->brushColor());
    for (int row = region.y; row < region.y + region.height; ++row) {
        uint32_t* pixel = target->row(row) + region.x;
        if (rop == DSTINVERT)
            for (int i = 0; i < region.width; ++i) pixel[i] ^= kColorBits;
        else
            std::fill(pixel, pixel + region.width, color);
    }
    return true;
}

bool setBrushColor(HDC dc, uint32_t color) {
    std::shared_ptr<DeviceContext> context = findGdiObject<DeviceContext>(dc);
    if (!context) return fail("setBrushColor", "unknown device context", dc);
    context->setBrushColor(color);
    return true;
}

int setStretchBltMode(HDC dc, int mode) {
    std::shared_ptr<DeviceContext> context = findGdiObject<DeviceContext>(dc);
    if (!context) return fail("setStretchBltMode", "unknown device context", dc);
    if (mode < BLACKONWHITE || mode > HALFTONE)
        return fail("setStretchBltMode", "unknown stretch mode", mode);
    const int previous = context->stretchMode();
    context->setStretchMode(mode);
    return previous;
}

}  // namespace pelmora::win

PELMORA_API int DeleteObject(int hObject) { return pelmora::win::deleteObject(hObject) ? 1 : 0; }
