// Vertex sizes of flexible vertex formats, and mesh requests refused before
// any device call.
#include "platform/d3dx/d3dx9mesh.h"

#include <gtest/gtest.h>

namespace {

TEST(D3DXMeshTest, VertexSizesFollowTheFormatBits) {
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), 32u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_DIFFUSE), 16u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1), 28u);
    // A second set of three coordinates (size code 1 at bits 18-19).
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | 0x200 | (1u << 18)), 12u + 8u + 12u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_DIFFUSE), 0u);
}

TEST(D3DXMeshTest, BadRequestsAreRefused) {
    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
    EXPECT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_SYSTEMMEM, 0x112, nullptr, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_SYSTEMMEM, 0x112, nullptr, nullptr), D3DERR_INVALIDCALL);
}

}  // namespace
