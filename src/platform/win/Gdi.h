// The GDI calls the engine draws with: bitmaps, memory device contexts,
// selection, block transfers and fills. Everything operates on 32-bit
// 0xAARRGGBB pixel buffers; colours are 0xAARRGGBB too, not COLORREF.
// Failures return 0 or false and write a log line.
#pragma once

#include "platform/win/WindowTypes.h"
#include "platform/imaging/ImageView.h"

#include <cstdint>

namespace pelmora::win {

typedef int HGDIOBJ;
typedef int HBITMAP;

// Raster operations. The blits copy with SRCCOPY; the others ignore the
// source and behave as patBlt over the destination rectangle.
inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr DWORD BLACKNESS = 0x00000042;  // opaque black
inline constexpr DWORD WHITENESS = 0x00FF0062;  // opaque white
inline constexpr DWORD PATCOPY = 0x00F00021;    // the context's brush colour
inline constexpr DWORD DSTINVERT = 0x00550009;  // colour inverted, alpha kept

// Stretch modes: the first three sample the nearest source pixel; HALFTONE
// filters (imaging::resampleRegion).
inline constexpr int BLACKONWHITE = 1;
inline constexpr int WHITEONBLACK = 2;
inline constexpr int COLORONCOLOR = 3;
inline constexpr int HALFTONE = 4;

inline constexpr LONG OBJ_BITMAP_TYPE = 0;  // BITMAP::bmType
inline constexpr WORD kBitmapBitsPerPixel = 32;

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    void* bmBits;
};

// A bitmap holding a copy of the pixels, or opaque black for null pixels.
// 0 for a size outside 1..16384 or a stride below the width.
HBITMAP createBitmap(int width, int height, const uint32_t* pixels, int strideInPixels);

// An opaque black bitmap. Every bitmap here is 32-bit, so dc only has to be
// 0 or a live context.
HBITMAP createCompatibleBitmap(HDC dc, int width, int height);

// A memory context with the 1 x 1 stock bitmap selected. dc must be 0 or a
// live context.
HDC createCompatibleDC(HDC dc);

// Selects a bitmap into a memory context and returns the one it replaces
// (restore it before deleting either). 0 for an unknown context or bitmap, a
// surface's context, or a bitmap selected into another context.
HGDIOBJ selectObject(HDC dc, HGDIOBJ object);

// Deletes a bitmap; false for an unknown handle, a context (use deleteDC) or
// a bitmap still selected. The stock bitmap reports success and stays.
bool deleteObject(HGDIOBJ object);

// Fills a BITMAP record for a bitmap; with a null buffer returns the size
// needed. The number of bytes written, or 0 on failure.
int getObject(HGDIOBJ object, int bufferSize, void* buffer);

// The pixels of a bitmap; an invalid view for an unknown handle.
imaging::ImageView getBitmapImage(HBITMAP bitmap);

// Copies width x height pixels; the parts outside either bitmap are skipped.
bool bitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
            int sourceY, DWORD rop);

// Copies a source rectangle onto a destination rectangle of another size,
// per the destination's stretch mode. Negative sizes (mirroring) are refused.
bool stretchBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
                int sourceY, int sourceWidth, int sourceHeight, DWORD rop);

// Fills a rectangle (clipped to the bitmap) per BLACKNESS, WHITENESS,
// PATCOPY or DSTINVERT. A negative width or height extends left or up.
bool patBlt(HDC dc, int x, int y, int width, int height, DWORD rop);

// The colour PATCOPY fills with; white in a new context.
bool setBrushColor(HDC dc, uint32_t color);

// Returns the previous mode, or 0 for an unknown context or mode.
int setStretchBltMode(HDC dc, int mode);

}  // namespace pelmora::win
