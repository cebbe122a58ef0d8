// The two texture services filling a bitmap texture relies on: creating a
// texture in the nearest format the device offers, and loading one surface
// into another with a colour key.
#pragma once

#include "platform/d3d9/d3d9.h"

namespace pelmora {

// A managed size x size texture with a full mipmap chain in format, or in
// A8R8G8B8 (which every device here offers) when the device lacks format.
HRESULT createManagedTexture(IDirect3DDevice9* device, UINT size, D3DFORMAT format,
                             IDirect3DTexture9** texture);

// Copies the whole of a 5-6-5 source surface onto the top left of target;
// source pixels equal to colorKey become transparent black.
HRESULT loadKeyedSurface(IDirect3DSurface9* target, IDirect3DSurface9* source, D3DCOLOR colorKey);

}  // namespace pelmora
