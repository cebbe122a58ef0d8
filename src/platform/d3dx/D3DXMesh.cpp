// The mesh object behind D3DXCreateMeshFVF.
#include "core/Diagnostics.h"
#include "platform/com/ComPtr.h"
#include "platform/d3dx/D3DXUnknown.h"
#include "platform/d3dx/d3dx9mesh.h"

#include <cstdint>
#include <vector>

namespace pelmora::d3dx {
namespace {

constexpr DWORD kIndicesPerFace = 3;
constexpr DWORD kMax16BitVertices = 0x10000;

D3DPOOL poolOf(DWORD options, DWORD systemMemory, DWORD managed) {
    if (options & systemMemory) return D3DPOOL_SYSTEMMEM;
    if (options & managed) return D3DPOOL_MANAGED;
    return D3DPOOL_DEFAULT;
}

DWORD usageOf(DWORD options, DWORD writeOnly, DWORD dynamic, DWORD software) {
    DWORD usage = 0;
    if (options & writeOnly) usage |= D3DUSAGE_WRITEONLY;
    if (options & dynamic) usage |= D3DUSAGE_DYNAMIC;
    if (options & software) usage |= D3DUSAGE_SOFTWAREPROCESSING;
    return usage;
}

HRESULT refuse(const char* what) {
    logFormat("D3DXMesh: %s\n", what);
    return D3DERR_INVALIDCALL;
}

class D3DXMesh final : public D3DXUnknown<D3DXMesh, ID3DXMesh> {
public:
    D3DXMesh(IDirect3DDevice9* device, DWORD faces, DWORD vertices, DWORD options, DWORD fvf)
        : device_(ComPtr<IDirect3DDevice9>::share(device)),
          faces_(faces),
          vertices_(vertices),
          options_(options),
          fvf_(fvf),
          stride_(D3DXGetFVFVertexSize(fvf)),
          attributes_(faces, 0) {}

    HRESULT createBuffers() {
        const D3DFORMAT indexFormat = (options_ & D3DXMESH_32BIT) ? D3DFMT_INDEX32 : D3DFMT_INDEX16;
        const UINT indexBytes = indexFormat == D3DFMT_INDEX32 ? 4 : 2;
        PELMORA_RETURN_IF_FAILED(device_->CreateVertexBuffer(
            vertices_ * stride_,
            usageOf(options_, D3DXMESH_VB_WRITEONLY, D3DXMESH_VB_DYNAMIC, D3DXMESH_VB_SOFTWAREPROCESSING), fvf_,
            poolOf(options_, D3DXMESH_VB_SYSTEMMEM, D3DXMESH_VB_MANAGED), vertexBuffer_.put(), nullptr));
        PELMORA_RETURN_IF_FAILED(device_->CreateIndexBuffer(
            faces_ * kIndicesPerFace * indexBytes,
            usageOf(options_, D3DXMESH_IB_WRITEONLY, D3DXMESH_IB_DYNAMIC, D3DXMESH_IB_SOFTWAREPROCESSING),
            indexFormat, poolOf(options_, D3DXMESH_IB_SYSTEMMEM, D3DXMESH_IB_MANAGED), indexBuffer_.put(), nullptr));
        return D3D_OK;
    }

    HRESULT DrawSubset(DWORD attribute) override {
        PELMORA_RETURN_IF_FAILED(device_->SetStreamSource(0, vertexBuffer_.get(), 0, stride_));
        PELMORA_RETURN_IF_FAILED(device_->SetIndices(indexBuffer_.get()));
        PELMORA_RETURN_IF_FAILED(device_->SetFVF(fvf_));
        // One draw for each run of consecutive faces in the subset.
        for (DWORD face = 0; face < faces_;) {
            if (attributes_[face] != attribute) {
                ++face;
                continue;
            }
            const DWORD first = face;
            while (face < faces_ && attributes_[face] == attribute) ++face;
            PELMORA_RETURN_IF_FAILED(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertices_,
                                                                   first * kIndicesPerFace, face - first));
        }
        return D3D_OK;
    }

    DWORD GetNumFaces() override { return faces_; }
    DWORD GetNumVertices() override { return vertices_; }
    DWORD GetFVF() override { return fvf_; }
    DWORD GetNumBytesPerVertex() override { return stride_; }
    DWORD GetOptions() override { return options_; }

    HRESULT GetDevice(IDirect3DDevice9** device) override { return share(device_.get(), device); }
    HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** buffer) override { return share(vertexBuffer_.get(), buffer); }
    HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** buffer) override { return share(indexBuffer_.get(), buffer); }

    HRESULT LockVertexBuffer(DWORD flags, void** data) override {
        if (!data) return refuse("LockVertexBuffer: no place for the pointer");
        return vertexBuffer_->Lock(0, 0, data, flags);
    }
    HRESULT UnlockVertexBuffer() override { return vertexBuffer_->Unlock(); }
    HRESULT LockIndexBuffer(DWORD flags, void** data) override {
        if (!data) return refuse("LockIndexBuffer: no place for the pointer");
        return indexBuffer_->Lock(0, 0, data, flags);
    }
    HRESULT UnlockIndexBuffer() override { return indexBuffer_->Unlock(); }

    HRESULT LockAttributeBuffer(DWORD /*flags*/, DWORD** data) override {
        if (!data) return refuse("LockAttributeBuffer: no place for the pointer");
        if (attributesLocked_) return refuse("LockAttributeBuffer: already locked");
        attributesLocked_ = true;
        *data = attributes_.data();
        return D3D_OK;
    }
    HRESULT UnlockAttributeBuffer() override {
        if (!attributesLocked_) return refuse("UnlockAttributeBuffer: not locked");
        attributesLocked_ = false;
        return D3D_OK;
    }

private:
    template <class T>
    static HRESULT share(T* object, T** out) {
        if (!out) return refuse("no place for the object");
        *out = object;
        object->AddRef();
        return D3D_OK;
    }

    ComPtr<IDirect3DDevice9> device_;
    DWORD faces_;
    DWORD vertices_;
    DWORD options_;
    DWORD fvf_;
    DWORD stride_;
    std::vector<DWORD> attributes_;
    bool attributesLocked_ = false;
    ComPtr<IDirect3DVertexBuffer9> vertexBuffer_;
    ComPtr<IDirect3DIndexBuffer9> indexBuffer_;
};

}  // namespace
}  // namespace pelmora::d3dx

HRESULT D3DXCreateMeshFVF(DWORD faces, DWORD vertices, DWORD options, DWORD fvf, IDirect3DDevice9* device,
                          ID3DXMesh** mesh) {
    using namespace pelmora::d3dx;
    if (!device || !mesh) return refuse("D3DXCreateMeshFVF: needs a device and a place for the mesh");
    *mesh = nullptr;
    if (faces == 0 || vertices == 0) return refuse("D3DXCreateMeshFVF: a mesh needs faces and vertices");
    if (D3DXGetFVFVertexSize(fvf) == 0) return refuse("D3DXCreateMeshFVF: the vertex format has no position");
    if (!(options & D3DXMESH_32BIT) && vertices > kMax16BitVertices)
        return refuse("D3DXCreateMeshFVF: more vertices than 16-bit indices reach");
    if (uint64_t(vertices) * D3DXGetFVFVertexSize(fvf) > UINT32_MAX || uint64_t(faces) * kIndicesPerFace * 4 > UINT32_MAX) {
        pelmora::logMessage("D3DXCreateMeshFVF: the buffers would exceed 4 GiB\n");
        return E_OUTOFMEMORY;
    }
    auto* created = new D3DXMesh(device, faces, vertices, options, fvf);
    const HRESULT hr = created->createBuffers();
    if (FAILED(hr)) {
        created->Release();
        return hr;
    }
    *mesh = created;
    return D3D_OK;
}
