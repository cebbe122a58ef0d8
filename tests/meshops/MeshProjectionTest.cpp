// Projecting a mesh onto a viewport's pixels where the whole-mesh tests of
// the interface (a mesh in full view, in both lenses) do not reach: the
// off-screen test on outcodes, and the line
// runs of a mesh that lies partly outside. The viewport is the default one of
// an 800 x 600 window: plane (-1, 1, -0.75, 0.75), front 1, back 1000, eye at
// z = 5, so world (x, y, 0) shows at (400 + 400x, 300 - 400y).
#include "meshops/MeshProjection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using namespace pelmora;

ScreenView defaultView() {
    ScreenView view{};
    D3DXMatrixIdentity(&view.transforms.camera);
    D3DXMatrixTranslation(&view.transforms.view, 0.0f, 0.0f, -5.0f);
    D3DXMatrixOrthoOffCenterRH(&view.transforms.projection, -1.0f, 1.0f, -0.75f, 0.75f, 1.0f,
                               1000.0f);
    view.transforms.width = 800.0f;
    view.transforms.height = 600.0f;
    view.rect = D3DVIEWPORT9{0, 0, 800, 600, 0.0f, 1.0f};
    return view;
}

// Points in the plane z = 0 and a list joining them, projected untransformed.
ProjectedMesh project(const std::vector<std::pair<float, float>>& xy,
                      const std::vector<uint32_t>& list) {
    std::vector<MeshVertex> vertices;
    for (auto [x, y] : xy) vertices.push_back(MeshVertex{x, y, 0, 0, 0, 1, 0, 0});
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    ProjectedMesh screen;
    projectForScreen(MeshData{vertices.data(), uint32_t(vertices.size()), list.data(),
                              uint32_t(list.size())},
                     identity, defaultView(), &screen);
    return screen;
}

TEST(ScreenProjection, AMeshIsOffScreenOnlyWhileEveryLaterVertexAddsNoNewSide) {
    const std::vector<unsigned> leftThenAbove = {0x5, 0x1, 0x4};
    const std::vector<unsigned> leftAndRight = {0x1, 0x2, 0x1};
    const std::vector<unsigned> oneInside = {0x1, 0x0, 0x1};
    const std::vector<unsigned> lonelyOutside = {0x10};
    EXPECT_TRUE(rejectedByOutcodes(leftThenAbove.data(), leftThenAbove.size()));
    EXPECT_FALSE(rejectedByOutcodes(leftAndRight.data(), leftAndRight.size()));
    EXPECT_FALSE(rejectedByOutcodes(oneInside.data(), oneInside.size()));
    EXPECT_FALSE(rejectedByOutcodes(lonelyOutside.data(), lonelyOutside.size()));
}

TEST(ScreenProjection, APartlyVisibleMeshBecomesClippedRunsJoinedWhereTheyMeet) {
    // Vertex 0 lies left of the view. Triangle 0 1 2 gives the edges 0-1 and
    // 1-2, which meet; triangle 1 0 2 gives 1-0, which starts elsewhere, then
    // 0-2, which enters at x = -1, y = 0.25.
    const ProjectedMesh screen =
        project({{-2, 0}, {0, 0}, {0, 0.375f}}, {3, 0, 1, 2, 3, 1, 0, 2, 0});
    const std::vector<float> expected = {0, 300, 400, 300, 400, 150,  //
                                         400, 300, 0, 300,            //
                                         0, 225, 400, 150};
    ASSERT_EQ(screen.points.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(screen.points[i], expected[i], 1e-3);
    EXPECT_EQ(screen.list, (std::vector<int32_t>{3, 0, 1, 2, 2, 3, 4, 2, 5, 6, 0}));
}

TEST(ScreenProjection, RunsWithNothingVisibleGiveNothing) {
    // Vertex 2 lies on a new side, so the mesh is not off screen as a whole,
    // but the only run lies left of the view.
    const ProjectedMesh screen = project({{-2, 0}, {-3, 0}, {3, 0}}, {2, 0, 1, 0});
    EXPECT_TRUE(screen.points.empty());
    EXPECT_EQ(screen.listLength(), 0u);
}

// A solid keeps its positions as an array of their own: its points are those
// of the same positions as whole vertices, to the bit, over more vertices
// than one pass of the projection takes at once.
TEST(ScreenProjection, DensePositionsProjectAsWholeVerticesDo) {
    ScreenView perspective = defaultView();
    D3DXMatrixPerspectiveOffCenterRH(&perspective.transforms.projection, -0.5f, 0.5f, -0.375f, 0.375f, 1.0f,
                                     1000.0f);
    std::vector<MeshVertex> whole;
    std::vector<float> bare;
    for (int i = 0; i < 700; ++i) {
        const MeshVertex v{0.001f * float(i) - 0.35f, 0.3f * std::sin(0.1f * float(i)), 0.01f * float(i % 9), 0, 0, 1,
                           0, 0};
        whole.push_back(v);
        bare.insert(bare.end(), {v.x, v.y, v.z});
    }
    const std::vector<uint32_t> list = {3, 0, 350, 699, 0};
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (const ScreenView& view : {defaultView(), perspective}) {
        ProjectedMesh fromWhole, fromBare;
        projectForScreen(MeshData{whole.data(), 700, list.data(), uint32_t(list.size())}, identity, view, &fromWhole);
        projectForScreen(MeshData{VertexPositions(bare.data(), 3), 700, list.data(), uint32_t(list.size())}, identity,
                         view, &fromBare);
        ASSERT_EQ(fromWhole.points.size(), 2 * whole.size());
        EXPECT_EQ(fromBare.points, fromWhole.points);
        EXPECT_EQ(fromBare.listLength(), fromWhole.listLength());
    }
}

}  // namespace
