// The font object: short text drawn straight onto the render target, for
// overlays such as a frame-rate line. It has one built-in fixed-pitch bitmap
// face, scaled to the requested height.
#pragma once

#include "platform/d3dx/d3dx9core.h"

// Text formats, with the platform's values.
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400

#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_BOLD 700

#define DEFAULT_CHARSET 1
#define OUT_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DEFAULT_PITCH 0
#define FF_DONTCARE 0x00

// Sprites batch text on the platform; here text is always drawn at once and
// a sprite argument must be null.
struct ID3DXSprite;
typedef ID3DXSprite* LPD3DXSPRITE;

struct ID3DXFont : public IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    // Draws Count characters of pString (-1: up to its terminating zero) into
    // the rectangle: lines break at '\n' (and at spaces with DT_WORDBREAK,
    // never with DT_SINGLELINE), aligned as Format says and clipped to the
    // rectangle unless DT_NOCLIP. DT_CALCRECT draws nothing and widens or
    // heightens the rectangle to fit the text instead. Returns the height of
    // the text in pixels, 0 on failure.
    virtual INT DrawTextA(LPD3DXSPRITE pSprite, LPCSTR pString, INT Count, RECT* pRect,
                          DWORD Format, D3DCOLOR Color) = 0;
    // The font draws from memory and holds no device resources.
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
};
typedef ID3DXFont* LPD3DXFONT;

// Height: the cell height in pixels (its magnitude when negative; 0 gives the
// face's own 9). Width: the cell width, 0 for the face's proportion. Weight
// FW_BOLD or more draws bold strokes; Italic slants the glyphs. The face name,
// character set, precision, quality, pitch and mip levels choose nothing: the
// built-in face is the only one.
HRESULT D3DXCreateFontA(IDirect3DDevice9* pDevice, INT Height, UINT Width, UINT Weight,
                        UINT MipLevels, BOOL Italic, DWORD CharSet, DWORD OutputPrecision,
                        DWORD Quality, DWORD PitchAndFamily, LPCSTR pFaceName,
                        ID3DXFont** ppFont);
#define D3DXCreateFont D3DXCreateFontA
