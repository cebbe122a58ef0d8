// The mesh object on a real device: buffers round trip, subsets draw.
#include "platform/d3dx/d3dx9mesh.h"
#include "support/D3D9TestDevice.h"

#include <gtest/gtest.h>

#include <cstring>

namespace pelmora::test {
namespace {

constexpr D3DCOLOR kBlack = 0xFF000000;
constexpr D3DCOLOR kRed = 0xFFFF0000;
constexpr D3DCOLOR kGreen = 0xFF00FF00;

// Two quads side by side in clip space (identity transforms), red and green.
const ColourVertex kVertices[] = {{-0.9f, 0.9f, 0.5f, kRed},   {-0.1f, 0.9f, 0.5f, kRed},
                                  {-0.9f, -0.9f, 0.5f, kRed},  {-0.1f, -0.9f, 0.5f, kRed},
                                  {0.1f, 0.9f, 0.5f, kGreen},  {0.9f, 0.9f, 0.5f, kGreen},
                                  {0.1f, -0.9f, 0.5f, kGreen}, {0.9f, -0.9f, 0.5f, kGreen}};
const uint16_t kIndices[] = {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7};

class D3DXMeshGLTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.ok());
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    }
    // A mesh holding the two quads, with 16- or 32-bit indices.
    ID3DXMesh* twoQuads(DWORD options) {
        ID3DXMesh* mesh = nullptr;
        EXPECT_EQ(D3DXCreateMeshFVF(4, 8, options, kColourFvf, device.device(), &mesh), D3D_OK);
        void* data = nullptr;
        EXPECT_EQ(mesh->LockVertexBuffer(0, &data), D3D_OK);
        std::memcpy(data, kVertices, sizeof kVertices);
        EXPECT_EQ(mesh->UnlockVertexBuffer(), D3D_OK);
        EXPECT_EQ(mesh->LockIndexBuffer(0, &data), D3D_OK);
        for (size_t i = 0; i < std::size(kIndices); ++i)
            if (options & D3DXMESH_32BIT) static_cast<uint32_t*>(data)[i] = kIndices[i];
            else static_cast<uint16_t*>(data)[i] = kIndices[i];
        EXPECT_EQ(mesh->UnlockIndexBuffer(), D3D_OK);
        return mesh;
    }

    D3D9TestDevice device{DeviceOptions{64, 64}};
};

TEST_F(D3DXMeshGLTest, SystemMemoryMeshKeepsWhatIsWrittenAndDrawsAllFaces) {
    ID3DXMesh* mesh = twoQuads(D3DXMESH_SYSTEMMEM);
    EXPECT_EQ(mesh->GetNumFaces(), 4u);
    EXPECT_EQ(mesh->GetNumVertices(), 8u);
    EXPECT_EQ(mesh->GetNumBytesPerVertex(), 16u);
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(mesh->GetVertexBuffer(&vb), D3D_OK);
    D3DVERTEXBUFFER_DESC desc{};
    vb->GetDesc(&desc);
    EXPECT_EQ(desc.Pool, D3DPOOL_SYSTEMMEM);
    vb->Release();
    void* data = nullptr;
    ASSERT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
    EXPECT_EQ(std::memcmp(data, kIndices, sizeof kIndices), 0);
    mesh->UnlockIndexBuffer();
    ASSERT_EQ(mesh->DrawSubset(0), D3D_OK);
    const Image image = device.readBackBuffer();
    D3D9TestDevice::savePng(image, "d3dx_mesh_subset0");
    EXPECT_PIXEL_NEAR(image, 16, 32, kRed, 2);
    EXPECT_PIXEL_NEAR(image, 48, 32, kGreen, 2);
    EXPECT_PIXEL_NEAR(image, 32, 32, kBlack, 2);
    EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(D3DXMeshGLTest, SubsetsFollowTheAttributeBufferWithWideIndices) {
    ID3DXMesh* mesh = twoQuads(D3DXMESH_MANAGED | D3DXMESH_32BIT);
    DWORD* attributes = nullptr;
    ASSERT_EQ(mesh->LockAttributeBuffer(0, &attributes), D3D_OK);
    attributes[2] = attributes[3] = 1;  // the green quad is subset 1
    ASSERT_EQ(mesh->UnlockAttributeBuffer(), D3D_OK);
    EXPECT_EQ(mesh->UnlockAttributeBuffer(), D3DERR_INVALIDCALL);
    ASSERT_EQ(mesh->DrawSubset(1), D3D_OK);
    const Image image = device.readBackBuffer();
    EXPECT_PIXEL_NEAR(image, 16, 32, kBlack, 2);
    EXPECT_PIXEL_NEAR(image, 48, 32, kGreen, 2);
    mesh->Release();
}

TEST_F(D3DXMeshGLTest, BadRequestsAreRefusedAndManyVerticesNeedThe32BitOption) {
    ID3DXMesh* mesh = nullptr;
    EXPECT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_SYSTEMMEM, 0x112, nullptr, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_SYSTEMMEM, 0x112, device.device(), nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMeshFVF(0, 3, D3DXMESH_SYSTEMMEM, kColourFvf, device.device(), &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMeshFVF(1, 70000, D3DXMESH_SYSTEMMEM, kColourFvf, device.device(), &mesh), D3DERR_INVALIDCALL);
    ASSERT_EQ(D3DXCreateMeshFVF(1, 70000, D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, kColourFvf, device.device(), &mesh),
              D3D_OK);
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(mesh->GetIndexBuffer(&ib), D3D_OK);
    D3DINDEXBUFFER_DESC desc{};
    ib->GetDesc(&desc);
    EXPECT_EQ(desc.Format, D3DFMT_INDEX32);
    ib->Release();
    mesh->Release();
}

TEST(D3DXMeshTest, VertexSizesFollowTheFormatBits) {
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), 32u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_DIFFUSE), 16u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1), 28u);
    // A second set of three coordinates (size code 1 at bits 18-19).
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | 0x200 | (1u << 18)), 12u + 8u + 12u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_DIFFUSE), 0u);
}

}  // namespace
}  // namespace pelmora::test
