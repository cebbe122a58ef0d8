// Solid-mesh buffers on the real device when video memory runs out or a
// buffer cannot be made at all, and the mesh object's back copy.
#include "mesh/DXSolidMeshBuffers.h"
#include "support/D3D9TestDevice.h"
#include "support/RecordingDevice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace pelmora;
using namespace pelmora::test;

// Refuses buffers in the default pool with the given status; forwards the rest.
class ScarceMemoryDevice final : public RecordingDevice {
public:
    ScarceMemoryDevice(IDirect3DDevice9* inner, HRESULT refusal) : RecordingDevice(inner), refusal_(refusal) {}

    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** buffer,
                               void* shared) override {
        pools.push_back(pool);
        return pool == D3DPOOL_DEFAULT ? refusal_
                                       : RecordingDevice::CreateVertexBuffer(length, usage, fvf, pool, buffer, shared);
    }
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer9** buffer, void* shared) override {
        pools.push_back(pool);
        return pool == D3DPOOL_DEFAULT ? refusal_
                                       : RecordingDevice::CreateIndexBuffer(length, usage, format, pool, buffer, shared);
    }

    std::vector<D3DPOOL> pools;

private:
    HRESULT refusal_;
};

class SolidMeshBuffers : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.ok());
        const MeshVertex vertices[] = {{0, 0, 0, 0, 0, 1, 0, 0}, {1, 0, 0, 0, 0, 1, 0, 0}, {0, 1, 0, 0, 0, 1, 0, 0}};
        geometry.surface.assign(vertices, 3);
        geometry.vertexCount = 3;
        geometry.triangles.add(0, 1, 2);
        geometry.count = 1;
        geometry.compact = true;
    }
    D3D9TestDevice device;
    SolidGeometry geometry;  // one triangle
};

TEST_F(SolidMeshBuffers, OutOfVideoMemoryFallsBackToSystemMemoryOnce) {
    for (HRESULT refusal : {HRESULT(D3DERR_OUTOFVIDEOMEMORY), HRESULT(E_OUTOFMEMORY)}) {
        ScarceMemoryDevice scarce(device.device(), refusal);
        auto batch = makeSolidBatch(&scarce, &geometry, true);
        ASSERT_TRUE(batch->vertexBuffer && batch->indexBuffer);
        EXPECT_EQ(scarce.pools,
                  (std::vector<D3DPOOL>{D3DPOOL_DEFAULT, D3DPOOL_SYSTEMMEM, D3DPOOL_DEFAULT, D3DPOOL_SYSTEMMEM}));
        D3DVERTEXBUFFER_DESC desc{};
        ASSERT_EQ(batch->vertexBuffer->GetDesc(&desc), S_OK);
        EXPECT_EQ(desc.Pool, D3DPOOL_SYSTEMMEM);
        // Whole 32-byte records, though the geometry keeps no texture coordinates.
        EXPECT_EQ(desc.FVF, kMeshVertexFvf);
        EXPECT_EQ(desc.Size, 6u * sizeof(MeshVertex));
        EXPECT_EQ(batch->stride, sizeof(MeshVertex));
        EXPECT_EQ(batch->vertexCount, 6u);
        EXPECT_EQ(batch->primitiveCount, 2u);
    }
    ScarceMemoryDevice broken(device.device(), D3DERR_INVALIDCALL);  // any other failure
    testing::internal::CaptureStdout();
    auto batch = makeSolidBatch(&broken, &geometry, false);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(broken.pools, std::vector<D3DPOOL>{D3DPOOL_DEFAULT});
    EXPECT_FALSE(batch->vertexBuffer);
    EXPECT_EQ(batch->vertexCount, 0u);
    EXPECT_NE(log.find("FAILED HRESULT"), std::string::npos) << log;
    EXPECT_NE(log.find("DXSolidMeshBuffers.cpp"), std::string::npos) << log;
}

TEST_F(SolidMeshBuffers, TheMeshObjectsBackCopyHasNegatedNormalsAndReversedWinding) {
    ComPtr<ID3DXMesh> mesh = makeSolidMeshObject(device.device(), &geometry, true);
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->GetNumFaces(), 2u);
    EXPECT_EQ(mesh->GetNumVertices(), 6u);
    void* data = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(0, &data), S_OK);
    const auto* vertices = static_cast<const MeshVertex*>(data);
    EXPECT_EQ(vertices[1].nz, 1.0f);
    EXPECT_EQ(vertices[4].x, 1.0f);
    EXPECT_EQ(vertices[4].nz, -1.0f);
    mesh->UnlockVertexBuffer();
    ASSERT_EQ(mesh->LockIndexBuffer(0, &data), S_OK);
    const auto* indices = static_cast<const uint16_t*>(data);
    EXPECT_EQ(std::vector<uint16_t>(indices, indices + 6), (std::vector<uint16_t>{0, 1, 2, 4, 3, 5}));
    mesh->UnlockIndexBuffer();
}

}  // namespace
