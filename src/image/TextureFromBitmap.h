// Fills a square texture from a bitmap as its plan lays it out: the pieces
// are drawn on black, staged in 5-6-5 colour and loaded with black as the
// transparent colour, so the square around the image is transparent.
#pragma once

#include "image/TexturePlan.h"
#include "platform/com/ComPtr.h"
#include "platform/d3d9/d3d9.h"
#include "platform/win/Gdi.h"

namespace pelmora {

// The format textures from bitmaps are asked for: 8 bits of alpha for the
// key, colour coarse enough to stay small. The device may offer another.
inline constexpr D3DFORMAT kBitmapTextureFormat = D3DFMT_A8R3G3B2;
inline constexpr D3DFORMAT kStagingFormat = D3DFMT_R5G6B5;

// A managed textureSize x textureSize texture holding the source rectangle
// of the bitmap; null when the texture or its staging surface could not be
// made (traced under the name of the visual class that owns these textures).
ComPtr<IDirect3DTexture9> createTextureFromBitmap(IDirect3DDevice9* device, win::HBITMAP bitmap,
                                                  const RECT& source, const TexturePlan& plan);

}  // namespace pelmora
