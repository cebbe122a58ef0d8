// A surface's pixels as 0xAARRGGBB, whatever its format and pool: lockable
// surfaces are locked, render targets are copied to system memory first and
// default-pool surfaces that refuse a lock are written through system memory.
#pragma once

#include "platform/d3dx/d3dx9core.h"
#include "platform/imaging/ImageView.h"

namespace pelmora::d3dx {

// The whole surface as a rectangle.
HRESULT surfaceBounds(IDirect3DSurface9* surface, RECT* bounds);
// True when the rectangle is non-empty and inside the bounds.
bool rectInside(const RECT& rect, const RECT& bounds);

HRESULT readSurface(IDirect3DSurface9* surface, const RECT& rect, imaging::Image* image);
// Writes the image (of the rectangle's size) into the rectangle.
HRESULT writeSurface(IDirect3DSurface9* surface, const RECT& rect, const imaging::ImageView& image);

// Pixels in memory, in a colour format, to 0xAARRGGBB.
HRESULT convertToArgb(const void* pixels, D3DFORMAT format, UINT pitch, const RECT& rect,
                      imaging::Image* image);

}  // namespace pelmora::d3dx
