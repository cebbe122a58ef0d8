// What every service of the extension library shares: the "use the default"
// values and the library's own status codes, with their platform values.
#pragma once

#include "platform/d3d9/d3d9.h"

// A size, level count or filter left to the library.
#define D3DX_DEFAULT ((UINT)-1)
// A size taken from the image as it is, not rounded to a power of two.
#define D3DX_DEFAULT_NONPOW2 ((UINT)-2)
// A size, level count or format taken from the source image.
#define D3DX_FROM_FILE ((UINT)-3)
#define D3DFMT_FROM_FILE ((D3DFORMAT)-3)

#define D3DXERR_INVALIDMESH MAKE_D3DHRESULT(2900)
#define D3DXERR_INVALIDDATA MAKE_D3DHRESULT(2905)

// Narrow strings and module handles as the resource and text calls take them.
typedef const char* LPCSTR;
typedef void* HMODULE;
