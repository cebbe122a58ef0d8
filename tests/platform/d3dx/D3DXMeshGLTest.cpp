// The mesh object on a real device: buffers round trip, subsets draw.
#include "platform/d3dx/d3dx9mesh.h"
#include "support/D3D9TestDevice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace pelmora::test {
namespace {

constexpr D3DCOLOR kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00;

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
    // A mesh holding the two quads.
    ID3DXMesh* twoQuads(DWORD options) {
        ID3DXMesh* mesh = nullptr;
        EXPECT_EQ(D3DXCreateMeshFVF(4, 8, options, kColourFvf, device.device(), &mesh), D3D_OK);
        void* data = nullptr;
        EXPECT_EQ(mesh->LockVertexBuffer(0, &data), D3D_OK);
        std::memcpy(data, kVertices, sizeof kVertices);
        EXPECT_EQ(mesh->UnlockVertexBuffer(), D3D_OK);
        EXPECT_EQ(mesh->LockIndexBuffer(0, &data), D3D_OK);
        std::memcpy(data, kIndices, sizeof kIndices);
        EXPECT_EQ(mesh->UnlockIndexBuffer(), D3D_OK);
        return mesh;
    }

    D3D9TestDevice device{DeviceOptions{64, 64}};
};

TEST_F(D3DXMeshGLTest, SystemMemoryMeshKeepsWhatIsWrittenAndDrawsAllFaces) {
    ID3DXMesh* mesh = twoQuads(D3DXMESH_SYSTEMMEM);
    EXPECT_EQ((std::tuple{mesh->GetNumFaces(), mesh->GetNumVertices(), mesh->GetNumBytesPerVertex()}),
              (std::tuple{4u, 8u, 16u}));
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
    EXPECT_TRUE(pixelsNear(image, {{16, 32, kRed}, {48, 32, kGreen}, {32, 32, kBlack}}, 2));
    EXPECT_EQ(mesh->Release(), 0u);
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
    // The last: a second set of three coordinates (size code 1 at bits 18-19).
    EXPECT_EQ((std::vector<UINT>{D3DXGetFVFVertexSize(kNormalFvf), D3DXGetFVFVertexSize(kColourFvf),
                                 D3DXGetFVFVertexSize(kTLTexFvf), D3DXGetFVFVertexSize(D3DFVF_DIFFUSE),
                                 D3DXGetFVFVertexSize(D3DFVF_XYZ | 0x200 | (1u << 18))}),
              (std::vector<UINT>{32, 16, 28, 0, 12 + 8 + 12}));
}

}  // namespace
}  // namespace pelmora::test
