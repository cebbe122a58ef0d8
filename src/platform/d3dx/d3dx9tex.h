// Texture and surface services: texture creation with format substitution,
// textures from the library's bitmap resources, surface loading with a filter
// and a colour key, mipmap filtering, and saving a surface to an image file.
#pragma once

#include "platform/d3dx/d3dx9core.h"

// Filters, with the platform's values. The low byte picks the filter; the
// mirror and dither flags above it are accepted and change nothing here.
#define D3DX_FILTER_NONE 1      // no scaling: the source is copied as it is, cut off or
                                // bordered with transparent black
#define D3DX_FILTER_POINT 2     // nearest source pixel
#define D3DX_FILTER_LINEAR 3    // bilinear between the four nearest source pixels
#define D3DX_FILTER_TRIANGLE 4  // triangle filter widened by the reduction
#define D3DX_FILTER_BOX 5       // average of the source pixels under each target pixel
#define D3DX_FILTER_MIRROR_U 0x00010000
#define D3DX_FILTER_MIRROR_V 0x00020000
#define D3DX_FILTER_MIRROR 0x00070000
#define D3DX_FILTER_DITHER 0x00080000

enum D3DXIMAGE_FILEFORMAT : DWORD {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
    D3DXIFF_HDR = 7,
    D3DXIFF_PFM = 8,
};

struct D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

// A resource named by number, as the resource calls take it.
#define MAKEINTRESOURCEA(id) ((LPCSTR)(uintptr_t)(WORD)(id))
#define IS_INTRESOURCE(name) (((uintptr_t)(name) >> 16) == 0)

// The library's own bitmap resources (the module handle null or any: they
// live in this library).
#define PELMORA_RESOURCE_SYMBOL_ATLAS 102

// Adjusts a texture request to what the device can make: D3DX_DEFAULT or 0
// sizes become 256, sizes are rounded to powers of two (and squared) when
// the device needs it and cut to its maximum, levels 0 or D3DX_DEFAULT (or
// too many) become the full chain, and a format the device does not offer
// for textures becomes the nearest one it does (D3DFMT_UNKNOWN means
// A8R8G8B8). Null pointers leave that value alone. D3DERR_NOTAVAILABLE
// when no format will do.
HRESULT D3DXCheckTextureRequirements(IDirect3DDevice9* pDevice, UINT* pWidth, UINT* pHeight,
                                     UINT* pNumMipLevels, DWORD Usage, D3DFORMAT* pFormat,
                                     D3DPOOL Pool);

// An empty texture of the request as D3DXCheckTextureRequirements adjusts it.
HRESULT D3DXCreateTexture(IDirect3DDevice9* pDevice, UINT Width, UINT Height, UINT MipLevels,
                          DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                          IDirect3DTexture9** ppTexture);

// A texture from one of the library's bitmap resources. Width and Height
// D3DX_DEFAULT_NONPOW2, D3DX_FROM_FILE or 0 take the image's size,
// D3DX_DEFAULT the image's size rounded up to a power of two; MipLevels
// D3DX_FROM_FILE gives one level; Format D3DFMT_UNKNOWN or D3DFMT_FROM_FILE
// takes A8R8G8B8 when a colour key is given and X8R8G8B8 otherwise. The top
// level is loaded with Filter and ColorKey as D3DXLoadSurfaceFromSurface
// does; the levels below are filtered down with MipFilter (D3DX_DEFAULT:
// box). The palette argument is never written: no texture format here is
// palettized. D3DXERR_INVALIDDATA for a resource the library does not have.
HRESULT D3DXCreateTextureFromResourceExA(IDirect3DDevice9* pDevice, HMODULE hSrcModule,
                                         LPCSTR pSrcResource, UINT Width, UINT Height,
                                         UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                         D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                         D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                         PALETTEENTRY* pPalette, IDirect3DTexture9** ppTexture);
#define D3DXCreateTextureFromResourceEx D3DXCreateTextureFromResourceExA

// Copies a rectangle of one surface into a rectangle of another, in any pair
// of colour formats, scaling with the filter (D3DX_DEFAULT: triangle). Source
// pixels equal to ColorKey (compared as 0xAARRGGBB, 0 for no key) become
// transparent black first. Null rectangles mean whole surfaces. Render
// targets that cannot be locked are read through system memory, surfaces of
// the default pool that cannot be locked are written through it. Palettes
// must be null.
HRESULT D3DXLoadSurfaceFromSurface(IDirect3DSurface9* pDestSurface,
                                   const PALETTEENTRY* pDestPalette, const RECT* pDestRect,
                                   IDirect3DSurface9* pSrcSurface, const PALETTEENTRY* pSrcPalette,
                                   const RECT* pSrcRect, DWORD Filter, D3DCOLOR ColorKey);

// The same from pixels in memory, SrcPitch bytes per row, rectangle pSrcRect
// of them (which must be given).
HRESULT D3DXLoadSurfaceFromMemory(IDirect3DSurface9* pDestSurface,
                                  const PALETTEENTRY* pDestPalette, const RECT* pDestRect,
                                  const void* pSrcMemory, D3DFORMAT SrcFormat, UINT SrcPitch,
                                  const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect,
                                  DWORD Filter, D3DCOLOR ColorKey);

// Fills every level below SrcLevel from the one above it with the filter
// (D3DX_DEFAULT: box).
HRESULT D3DXFilterTexture(IDirect3DBaseTexture9* pBaseTexture, const PALETTEENTRY* pPalette,
                          UINT SrcLevel, DWORD Filter);

// Writes a rectangle of the surface (null: all of it) to an image file: BMP
// (and DIB), JPG or PNG; the other formats answer E_NOTIMPL. PNG keeps the
// alpha of surfaces that have it.
HRESULT D3DXSaveSurfaceToFileA(LPCSTR pDestFile, D3DXIMAGE_FILEFORMAT DestFormat,
                               IDirect3DSurface9* pSrcSurface, const PALETTEENTRY* pSrcPalette,
                               const RECT* pSrcRect);
#define D3DXSaveSurfaceToFile D3DXSaveSurfaceToFileA
