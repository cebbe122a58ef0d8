// The line object: polylines of any width, drawn as screen-space quads with
// mitred joins through the device, for line work wider than the device's own
// one-pixel lines.
#pragma once

#include "platform/d3dx/d3dx9core.h"
#include "platform/d3dx/d3dx9math.h"

struct ID3DXLine : public IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    // Saves the device state the line changes; End puts it back. Between the
    // two, polylines are gathered and drawn together at End, so many
    // polylines cost one draw. Draw calls outside Begin/End do both themselves.
    virtual HRESULT Begin() = 0;
    // A polyline in screen pixels (pre-transformed), drawn over the scene.
    // Fewer than two points draw nothing.
    virtual HRESULT Draw(const D3DXVECTOR2* pVertexList, DWORD dwVertexListCount,
                         D3DCOLOR Color) = 0;
    // A polyline in any space, projected through pTransform (typically world
    // x view x projection) and the device's viewport; each point keeps its
    // projected depth, so the scene's depth test applies. Parts behind the
    // near plane are cut off.
    virtual HRESULT DrawTransform(const D3DXVECTOR3* pVertexList, DWORD dwVertexListCount,
                                  const D3DXMATRIX* pTransform, D3DCOLOR Color) = 0;
    // Width in pixels, at least 1 (smaller widths are refused).
    virtual HRESULT SetWidth(float fWidth) = 0;
    virtual float GetWidth() = 0;
    virtual HRESULT End() = 0;
    // The line holds no device resources; a lost device ends a Begin and
    // drops what was gathered.
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
};
typedef ID3DXLine* LPD3DXLINE;

// A new line object of width 1 holding one reference, and one on the device.
HRESULT D3DXCreateLine(IDirect3DDevice9* pDevice, ID3DXLine** ppLine);
