// The Direct3D-9-shaped interfaces the engine draws through. The device's
// method list is written once, as PELMORA_D3D9_DEVICE_METHODS, so the abstract
// interface, the GL implementation and the recording decorator used by tests
// are all checked against the same list.
#pragma once

#include "platform/d3d9/d3d9types.h"

struct IDirect3D9;
struct IDirect3DDevice9;
struct IDirect3DResource9;
struct IDirect3DSurface9;
struct IDirect3DBaseTexture9;
struct IDirect3DTexture9;
struct IDirect3DVertexBuffer9;
struct IDirect3DIndexBuffer9;
struct IDirect3DStateBlock9;
struct IDirect3DSwapChain9;

struct IDirect3D9 : public IUnknown {
    virtual UINT GetAdapterCount() = 0;
    virtual HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags,
                                         D3DADAPTER_IDENTIFIER9* pIdentifier) = 0;
    virtual UINT GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) = 0;
    virtual HRESULT EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode,
                                     D3DDISPLAYMODE* pMode) = 0;
    virtual HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) = 0;
    virtual HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat,
                                    D3DFORMAT BackBufferFormat, BOOL bWindowed) = 0;
    virtual HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType,
                                      D3DFORMAT AdapterFormat, DWORD Usage,
                                      D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) = 0;
    virtual HRESULT CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType,
                                               D3DFORMAT SurfaceFormat, BOOL Windowed,
                                               D3DMULTISAMPLE_TYPE MultiSampleType,
                                               DWORD* pQualityLevels) = 0;
    virtual HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType,
                                           D3DFORMAT AdapterFormat,
                                           D3DFORMAT RenderTargetFormat,
                                           D3DFORMAT DepthStencilFormat) = 0;
    virtual HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) = 0;
    virtual HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                                 DWORD BehaviorFlags,
                                 D3DPRESENT_PARAMETERS* pPresentationParameters,
                                 IDirect3DDevice9** ppReturnedDeviceInterface) = 0;
};

struct IDirect3DResource9 : public IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual D3DRESOURCETYPE GetType() = 0;
};

struct IDirect3DSurface9 : public IDirect3DResource9 {
    virtual HRESULT GetDesc(D3DSURFACE_DESC* pDesc) = 0;
    virtual HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) = 0;
    virtual HRESULT UnlockRect() = 0;
    virtual HRESULT GetDC(HDC* phdc) = 0;
    virtual HRESULT ReleaseDC(HDC hdc) = 0;
};

struct IDirect3DBaseTexture9 : public IDirect3DResource9 {
    virtual DWORD GetLevelCount() = 0;
};

struct IDirect3DTexture9 : public IDirect3DBaseTexture9 {
    virtual HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) = 0;
    virtual HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) = 0;
    virtual HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                             DWORD Flags) = 0;
    virtual HRESULT UnlockRect(UINT Level) = 0;
};

struct IDirect3DVertexBuffer9 : public IDirect3DResource9 {
    virtual HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) = 0;
};

struct IDirect3DIndexBuffer9 : public IDirect3DResource9 {
    virtual HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) = 0;
};

struct IDirect3DStateBlock9 : public IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual HRESULT Capture() = 0;
    virtual HRESULT Apply() = 0;
};

// X(return type, name, (parameters), (argument names))
#define PELMORA_D3D9_DEVICE_METHODS(X)                                                          \
    X(HRESULT, TestCooperativeLevel, (), ())                                                    \
    X(HRESULT, GetDirect3D, (IDirect3D9 * *ppD3D9), (ppD3D9))                                   \
    X(HRESULT, GetDeviceCaps, (D3DCAPS9 * pCaps), (pCaps))                                      \
    X(HRESULT, GetDisplayMode, (UINT iSwapChain, D3DDISPLAYMODE * pMode), (iSwapChain, pMode))  \
    X(HRESULT, Reset, (D3DPRESENT_PARAMETERS * pPresentationParameters),                        \
      (pPresentationParameters))                                                                \
    X(HRESULT, Present,                                                                         \
      (const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,                \
       const void* pDirtyRegion),                                                               \
      (pSourceRect, pDestRect, hDestWindowOverride, pDirtyRegion))                              \
    X(HRESULT, GetBackBuffer,                                                                   \
      (UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,                              \
       IDirect3DSurface9 * *ppBackBuffer),                                                      \
      (iSwapChain, iBackBuffer, Type, ppBackBuffer))                                            \
    X(HRESULT, CreateTexture,                                                                   \
      (UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,       \
       IDirect3DTexture9 * *ppTexture, void* pSharedHandle),                                    \
      (Width, Height, Levels, Usage, Format, Pool, ppTexture, pSharedHandle))                   \
    X(HRESULT, CreateVertexBuffer,                                                              \
      (UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,                                       \
       IDirect3DVertexBuffer9 * *ppVertexBuffer, void* pSharedHandle),                          \
      (Length, Usage, FVF, Pool, ppVertexBuffer, pSharedHandle))                                \
    X(HRESULT, CreateIndexBuffer,                                                               \
      (UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,                                \
       IDirect3DIndexBuffer9 * *ppIndexBuffer, void* pSharedHandle),                            \
      (Length, Usage, Format, Pool, ppIndexBuffer, pSharedHandle))                              \
    X(HRESULT, CreateRenderTarget,                                                              \
      (UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,              \
       DWORD MultisampleQuality, BOOL Lockable, IDirect3DSurface9 * *ppSurface,                 \
       void* pSharedHandle),                                                                    \
      (Width, Height, Format, MultiSample, MultisampleQuality, Lockable, ppSurface,             \
       pSharedHandle))                                                                          \
    X(HRESULT, UpdateSurface,                                                                   \
      (IDirect3DSurface9 * pSourceSurface, const RECT* pSourceRect,                             \
       IDirect3DSurface9* pDestinationSurface, const POINT* pDestPoint),                        \
      (pSourceSurface, pSourceRect, pDestinationSurface, pDestPoint))                           \
    X(HRESULT, GetRenderTargetData,                                                             \
      (IDirect3DSurface9 * pRenderTarget, IDirect3DSurface9 * pDestSurface),                    \
      (pRenderTarget, pDestSurface))                                                            \
    X(HRESULT, StretchRect,                                                                     \
      (IDirect3DSurface9 * pSourceSurface, const RECT* pSourceRect,                             \
       IDirect3DSurface9* pDestSurface, const RECT* pDestRect, D3DTEXTUREFILTERTYPE Filter),    \
      (pSourceSurface, pSourceRect, pDestSurface, pDestRect, Filter))                           \
    X(HRESULT, CreateOffscreenPlainSurface,                                                     \
      (UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool,                                 \
       IDirect3DSurface9 * *ppSurface, void* pSharedHandle),                                    \
      (Width, Height, Format, Pool, ppSurface, pSharedHandle))                                  \
    X(HRESULT, BeginScene, (), ())                                                              \
    X(HRESULT, EndScene, (), ())                                                                \
    X(HRESULT, Clear,                                                                           \
      (DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,                \
       DWORD Stencil),                                                                          \
      (Count, pRects, Flags, Color, Z, Stencil))                                                \
    X(HRESULT, SetTransform, (D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix),           \
      (State, pMatrix))                                                                         \
    X(HRESULT, GetTransform, (D3DTRANSFORMSTATETYPE State, D3DMATRIX * pMatrix),                \
      (State, pMatrix))                                                                         \
    X(HRESULT, SetViewport, (const D3DVIEWPORT9* pViewport), (pViewport))                       \
    X(HRESULT, GetViewport, (D3DVIEWPORT9 * pViewport), (pViewport))                            \
    X(HRESULT, SetMaterial, (const D3DMATERIAL9* pMaterial), (pMaterial))                       \
    X(HRESULT, GetMaterial, (D3DMATERIAL9 * pMaterial), (pMaterial))                            \
    X(HRESULT, SetLight, (DWORD Index, const D3DLIGHT9* pLight), (Index, pLight))               \
    X(HRESULT, GetLight, (DWORD Index, D3DLIGHT9 * pLight), (Index, pLight))                    \
    X(HRESULT, LightEnable, (DWORD Index, BOOL Enable), (Index, Enable))                        \
    X(HRESULT, GetLightEnable, (DWORD Index, BOOL * pEnable), (Index, pEnable))                 \
    X(HRESULT, SetRenderState, (D3DRENDERSTATETYPE State, DWORD Value), (State, Value))         \
    X(HRESULT, GetRenderState, (D3DRENDERSTATETYPE State, DWORD * pValue), (State, pValue))     \
    X(HRESULT, CreateStateBlock, (D3DSTATEBLOCKTYPE Type, IDirect3DStateBlock9 * *ppSB),        \
      (Type, ppSB))                                                                             \
    X(HRESULT, GetTexture, (DWORD Stage, IDirect3DBaseTexture9 * *ppTexture),                   \
      (Stage, ppTexture))                                                                       \
    X(HRESULT, SetTexture, (DWORD Stage, IDirect3DBaseTexture9 * pTexture), (Stage, pTexture))  \
    X(HRESULT, GetTextureStageState,                                                            \
      (DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD * pValue), (Stage, Type, pValue))      \
    X(HRESULT, SetTextureStageState, (DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value), \
      (Stage, Type, Value))                                                                     \
    X(HRESULT, GetSamplerState, (DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD * pValue),      \
      (Sampler, Type, pValue))                                                                  \
    X(HRESULT, SetSamplerState, (DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value),         \
      (Sampler, Type, Value))                                                                   \
    X(HRESULT, DrawPrimitive,                                                                   \
      (D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount),                  \
      (PrimitiveType, StartVertex, PrimitiveCount))                                             \
    X(HRESULT, DrawIndexedPrimitive,                                                            \
      (D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex,                \
       UINT NumVertices, UINT startIndex, UINT primCount),                                      \
      (PrimitiveType, BaseVertexIndex, MinVertexIndex, NumVertices, startIndex, primCount))     \
    X(HRESULT, DrawPrimitiveUP,                                                                 \
      (D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount, const void* pVertexStreamZeroData,  \
       UINT VertexStreamZeroStride),                                                            \
      (PrimitiveType, PrimitiveCount, pVertexStreamZeroData, VertexStreamZeroStride))           \
    X(HRESULT, DrawIndexedPrimitiveUP,                                                          \
      (D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertices,                   \
       UINT PrimitiveCount, const void* pIndexData, D3DFORMAT IndexDataFormat,                  \
       const void* pVertexStreamZeroData, UINT VertexStreamZeroStride),                         \
      (PrimitiveType, MinVertexIndex, NumVertices, PrimitiveCount, pIndexData,                  \
       IndexDataFormat, pVertexStreamZeroData, VertexStreamZeroStride))                         \
    X(HRESULT, SetFVF, (DWORD FVF), (FVF))                                                      \
    X(HRESULT, GetFVF, (DWORD * pFVF), (pFVF))                                                  \
    X(HRESULT, SetStreamSource,                                                                 \
      (UINT StreamNumber, IDirect3DVertexBuffer9 * pStreamData, UINT OffsetInBytes,             \
       UINT Stride),                                                                            \
      (StreamNumber, pStreamData, OffsetInBytes, Stride))                                       \
    X(HRESULT, SetIndices, (IDirect3DIndexBuffer9 * pIndexData), (pIndexData))

#define PELMORA_D3D9_DECLARE_PURE(ret, name, params, args) virtual ret name params = 0;

struct IDirect3DDevice9 : public IUnknown {
    PELMORA_D3D9_DEVICE_METHODS(PELMORA_D3D9_DECLARE_PURE)
};

PELMORA_API IDirect3D9* Direct3DCreate9(UINT SDKVersion);
