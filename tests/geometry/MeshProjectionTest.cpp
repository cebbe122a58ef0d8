// Projecting mesh vertices for paper and for a viewport: the print mapping,
// the outcodes and the off-screen test, and the clipped line runs of a mesh
// that is partly outside. The viewport is the default one of an 800 x 600
// window: plane (-1, 1, -0.75, 0.75), front 1, back 1000, eye at z = 5.
#include "geometry/DXMesh.h"
#include "geometry/MeshProjection.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace pelmora;

constexpr float kWidth = 800.0f;
constexpr float kHeight = 600.0f;

ScreenView defaultView() {
    ScreenView view{};
    D3DXMatrixIdentity(&view.transforms.camera);
    D3DXMatrixTranslation(&view.transforms.view, 0.0f, 0.0f, -5.0f);
    D3DXMatrixOrthoOffCenterRH(&view.transforms.projection, -1.0f, 1.0f, -0.75f, 0.75f, 1.0f,
                               1000.0f);
    view.transforms.width = kWidth;
    view.transforms.height = kHeight;
    view.rect = D3DVIEWPORT9{0, 0, 800, 600, 0.0f, 1.0f};
    return view;
}

D3DXMATRIX identity() {
    D3DXMATRIX m;
    return *D3DXMatrixIdentity(&m);
}

struct Mesh {
    std::vector<MeshVertex> vertices;
    std::vector<uint32_t> list;

    void add(float x, float y, float z) { vertices.push_back(MeshVertex{x, y, z, 0, 0, 1, 0, 0}); }
    MeshData data() const {
        return MeshData{vertices.data(), uint32_t(vertices.size()), list.data(),
                        uint32_t(list.size())};
    }
};

// Pixel positions agree to well under a pixel; float steps leave crumbs.
void expectPoints(const std::vector<float>& actual, const std::vector<float>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) EXPECT_NEAR(actual[i], expected[i], 1e-3) << i;
}

// ---- Print ----

TEST(PrintProjection, ScalesAndFlipsAgainstThePageHeight) {
    Mesh mesh;
    mesh.add(10, 20, 5);
    mesh.list = {3, 0, 0, 0, 0};
    ProjectedMesh printed;
    projectForPrint(mesh.data(), identity(), PrintLayout{2.0, 100.0, 0.0, 0.0}, &printed);
    EXPECT_EQ(printed.points, (std::vector<float>{20.0f, 160.0f}));
    EXPECT_EQ(printed.list, (std::vector<int32_t>{3, 0, 0, 0, 0}));
}

TEST(PrintProjection, AppliesTheTransformWithoutPerspectiveAndThenTheOffsets) {
    Mesh mesh;
    mesh.add(1, 2, 3);
    D3DXMATRIX t = identity();
    t._31 = 1.0f;  // x picks up z
    t._14 = 0.5f;  // would divide by w, but print takes no perspective
    t._41 = 10.0f;
    t._42 = -4.0f;
    ProjectedMesh printed;
    projectForPrint(mesh.data(), t, PrintLayout{0.5, 50.0, 4.0, 6.0}, &printed);
    // x' = 1 + 3 + 10 = 14, y' = 2 - 4 = -2.
    EXPECT_EQ(printed.points,
              (std::vector<float>{(14.0f - 4.0f) * 0.5f, (50.0f + 2.0f + 6.0f) * 0.5f}));
}

TEST(PrintProjection, AMeshWithoutGeometryGivesNothing) {
    ProjectedMesh printed;
    printed.points = {1.0f};
    projectForPrint(MeshData{}, identity(), PrintLayout{}, &printed);
    EXPECT_TRUE(printed.points.empty());
    EXPECT_TRUE(printed.list.empty());
}

// ---- Outcodes ----

TEST(ScreenOutcodes, NameEachSideOfTheClipVolume) {
    EXPECT_EQ(clipOutcode({0, 0, 0.5f, 1}), 0u);
    EXPECT_EQ(clipOutcode({-3, 0, 0.5f, 2}), 0x1u);
    EXPECT_EQ(clipOutcode({3, 0, 0.5f, 2}), 0x2u);
    EXPECT_EQ(clipOutcode({0, 3, 0.5f, 2}), 0x4u);
    EXPECT_EQ(clipOutcode({0, -3, 0.5f, 2}), 0x8u);
    EXPECT_EQ(clipOutcode({0, 0, -0.5f, 1}), 0x10u);
    EXPECT_EQ(clipOutcode({-2, 2, 1.5f, 1}), 0x1u | 0x4u | 0x20u);
}

TEST(ScreenOutcodes, AMeshIsOffScreenOnlyWhileEveryLaterVertexAddsNoNewSide) {
    const std::vector<unsigned> allLeft = {0x1, 0x1, 0x1};
    const std::vector<unsigned> leftThenAbove = {0x5, 0x1, 0x4};
    const std::vector<unsigned> leftAndRight = {0x1, 0x2, 0x1};
    const std::vector<unsigned> oneInside = {0x1, 0x0, 0x1};
    const std::vector<unsigned> lonelyOutside = {0x10};
    EXPECT_TRUE(rejectedByOutcodes(allLeft.data(), allLeft.size()));
    EXPECT_TRUE(rejectedByOutcodes(leftThenAbove.data(), leftThenAbove.size()));
    EXPECT_FALSE(rejectedByOutcodes(leftAndRight.data(), leftAndRight.size()));
    EXPECT_FALSE(rejectedByOutcodes(oneInside.data(), oneInside.size()));
    EXPECT_FALSE(rejectedByOutcodes(lonelyOutside.data(), lonelyOutside.size()));
}

// ---- Screen ----

TEST(ScreenProjection, AMeshWhollyInsideMapsEveryVertexAndKeepsItsList) {
    Mesh mesh;
    mesh.add(0, 0, 0);
    mesh.add(1, 0.375f, 0);
    mesh.add(-0.5f, -0.375f, 0);
    mesh.list = {3, 0, 1, 2, 0};
    D3DXMATRIX shift;
    D3DXMatrixTranslation(&shift, 0.0f, 0.0f, 1.0f);
    ProjectedMesh screen;
    projectForScreen(mesh.data(), shift, defaultView(), &screen);
    expectPoints(screen.points, {400, 300, 800, 150, 200, 450});
    EXPECT_EQ(screen.list, (std::vector<int32_t>{3, 0, 1, 2, 0}));
}

TEST(ScreenProjection, TheDeviceViewportPlacesTheImage) {
    Mesh mesh;
    mesh.add(0, 0, 0);
    mesh.list = {0};
    ScreenView view = defaultView();
    view.rect = D3DVIEWPORT9{10, 20, 801, 601, 0.0f, 1.0f};  // centre in whole pixels: (410, 320)
    ProjectedMesh screen;
    projectForScreen(mesh.data(), identity(), view, &screen);
    EXPECT_EQ(screen.points, (std::vector<float>{410, 320}));
}

TEST(ScreenProjection, AMeshBehindTheCameraOrBesideTheViewGivesNothing) {
    Mesh behind;
    behind.add(0, 0, 10);
    behind.add(0.5f, 0, 10);
    behind.list = {3, 0, 1, 0, 0};
    Mesh beside;
    beside.add(3, 0, 0);
    beside.add(4, 0.5f, 0);
    beside.list = {3, 0, 1, 0, 0};
    for (const Mesh* mesh : {&behind, &beside}) {
        ProjectedMesh screen;
        projectForScreen(mesh->data(), identity(), defaultView(), &screen);
        EXPECT_TRUE(screen.points.empty());
        EXPECT_TRUE(screen.list.empty());
    }
}

TEST(ScreenProjection, APartlyVisibleMeshBecomesClippedRunsJoinedWhereTheyMeet) {
    Mesh mesh;
    mesh.add(-2, 0, 0);         // NDC (-2, 0): left of the view
    mesh.add(0, 0, 0);          // (400, 300)
    mesh.add(0, 0.375f, 0);     // (400, 150)
    // Triangle 0 1 2 gives segments 0-1 and 1-2, which meet; triangle 1 0 2
    // gives 1-0, which starts elsewhere, then 0-2, clipped at x = -1.
    mesh.list = {3, 0, 1, 2, 3, 1, 0, 2, 0};
    ProjectedMesh screen;
    projectForScreen(mesh.data(), identity(), defaultView(), &screen);
    expectPoints(screen.points, {0, 300, 400, 300, 400, 150,  //
                                 400, 300, 0, 300,            //
                                 0, 225, 400, 150});
    EXPECT_EQ(screen.list, (std::vector<int32_t>{3, 0, 1, 2, 2, 3, 4, 2, 5, 6, 0}));
}

TEST(ScreenProjection, SegmentsWhollyOffOneSideAreDropped) {
    Mesh mesh;
    mesh.add(-3, 0, 0);
    mesh.add(-2, 0.5f, 0);
    mesh.add(0, 0, 0);
    mesh.list = {2, 0, 1, 2, 1, 2, 0};  // two line runs; the first lies left of the view
    ProjectedMesh screen;
    projectForScreen(mesh.data(), identity(), defaultView(), &screen);
    // 1-2 runs from NDC (-2, 2/3) to (0, 0) and enters at x = -1, y = 1/3.
    expectPoints(screen.points, {0, 200, 400, 300});
    EXPECT_EQ(screen.list, (std::vector<int32_t>{2, 0, 1, 0}));
}

TEST(ScreenProjection, NothingVisibleInTheClippedPathGivesNothing) {
    Mesh mesh;
    mesh.add(-2, 0, 0);
    mesh.add(-3, 0, 0);
    mesh.add(3, 0, 0);  // a new side, so the mesh is not rejected as a whole
    mesh.list = {2, 0, 1, 0};
    ProjectedMesh screen;
    projectForScreen(mesh.data(), identity(), defaultView(), &screen);
    EXPECT_TRUE(screen.points.empty());
    EXPECT_TRUE(screen.list.empty());
}

}  // namespace
