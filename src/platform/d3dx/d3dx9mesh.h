// The mesh object: a vertex buffer, an index buffer of triangles and a
// per-face attribute (subset) id, drawn subset by subset through the device.
#pragma once

#include "platform/d3dx/d3dx9core.h"

// Creation options, with the platform's values.
#define D3DXMESH_32BIT 0x001
#define D3DXMESH_VB_SYSTEMMEM 0x010
#define D3DXMESH_VB_MANAGED 0x020
#define D3DXMESH_VB_WRITEONLY 0x040
#define D3DXMESH_VB_DYNAMIC 0x080
#define D3DXMESH_IB_SYSTEMMEM 0x100
#define D3DXMESH_IB_MANAGED 0x200
#define D3DXMESH_IB_WRITEONLY 0x400
#define D3DXMESH_IB_DYNAMIC 0x800
#define D3DXMESH_VB_SOFTWAREPROCESSING 0x8000
#define D3DXMESH_IB_SOFTWAREPROCESSING 0x10000
#define D3DXMESH_SYSTEMMEM 0x110
#define D3DXMESH_MANAGED 0x220
#define D3DXMESH_WRITEONLY 0x440
#define D3DXMESH_DYNAMIC 0x880
#define D3DXMESH_SOFTWAREPROCESSING 0x18000

struct ID3DXMesh : public IUnknown {
    // Draws the faces whose attribute is AttribId (all faces start at 0)
    // as indexed triangle lists, leaving the mesh's buffers and vertex
    // format set on the device.
    virtual HRESULT DrawSubset(DWORD AttribId) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    virtual DWORD GetNumBytesPerVertex() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** ppVB) = 0;
    virtual HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** ppIB) = 0;
    virtual HRESULT LockVertexBuffer(DWORD Flags, void** ppData) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    // Three indices a face, 16-bit, or 32-bit with D3DXMESH_32BIT.
    virtual HRESULT LockIndexBuffer(DWORD Flags, void** ppData) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    // One DWORD attribute id a face.
    virtual HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
};
typedef ID3DXMesh* LPD3DXMESH;

// Bytes per vertex of a vertex format; 0 for one without a position or with
// more than eight texture coordinate sets.
UINT D3DXGetFVFVertexSize(DWORD FVF);

// A mesh of NumFaces triangles over NumVertices vertices of format FVF, its
// buffers in the pools and with the usage Options give. More vertices than
// 16-bit indices reach need D3DXMESH_32BIT.
HRESULT D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF,
                          IDirect3DDevice9* pD3DDevice, ID3DXMesh** ppMesh);
