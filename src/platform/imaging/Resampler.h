// Image scaling for presents and snapshots: a separable triangle filter that
// widens with the reduction factor, so upscaling is bilinear and downscaling
// averages every source pixel under the footprint instead of skipping some.
// Colours are filtered premultiplied by alpha so transparent pixels do not
// bleed their colour into their neighbours.
#pragma once

#include "platform/imaging/ImageView.h"

namespace pelmora::imaging {

// Scales source to outWidth x outHeight and writes only the part of the
// result inside region (coordinates of the scaled image, inside its bounds)
// to out, region.width x region.height pixels, outStride pixels per row.
// Equal sizes copy the pixels unchanged.
void resampleRegion(const ImageView& source, int outWidth, int outHeight, const PixelRegion& region,
                    uint32_t* out, int outStride);

// The whole source scaled to outWidth x outHeight.
Image resample(const ImageView& source, int outWidth, int outHeight);

}  // namespace pelmora::imaging
