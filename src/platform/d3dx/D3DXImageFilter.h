// Scaling and colour keying of 0xAARRGGBB images for the surface loaders.
// The point, linear and box filters treat the four channels alike, so a
// colour-keyed (transparent black) pixel darkens and thins its filtered
// neighbours; the triangle filter is the imaging layer's, which weighs colour
// by alpha so that transparent pixels lend none.
#pragma once

#include "platform/d3dx/d3dx9core.h"
#include "platform/imaging/ImageView.h"

namespace pelmora::d3dx {

enum class ImageFilter { None, Point, Linear, Triangle, Box };

// The filter a D3DX_FILTER_* value names (D3DX_DEFAULT gives fallback);
// false for a value that names none.
bool parseFilter(DWORD filter, ImageFilter fallback, ImageFilter* result);

// Pixels equal to the key become transparent black; a key of 0 keys nothing.
void applyColourKey(imaging::Image* image, D3DCOLOR key);

// The image scaled to width x height. None copies it unscaled into the top
// left, cutting off what does not fit and leaving transparent black where it
// does not reach.
imaging::Image scaleImage(const imaging::ImageView& source, int width, int height, ImageFilter filter);

}  // namespace pelmora::d3dx
