// Solid meshes through IDXContext on the real device: lit drawing of both
// sides, refinement against a host factory, device re-creation, large meshes
// and the level-of-detail cull. Each test renders a 128 x 128 viewport on a
// black background, lit from the camera, with the root frame red.
#include <pelmora/pelmora.h>
#include <pelmora/helpers.h>

#include "mesh/DXSolidMesh.h"
#include "support/MeshTestSupport.h"
#include "host/DXContext.h"
#include "core/HandleTable.h"
#include "platform/d3d9/gl/GLTestHooks.h"
#include "support/D3D9TestDevice.h"
#include "support/RenderedScene.h"
#include "support/TransformArrays.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace pelmora::test;

constexpr int kSize = 128, kTolerance = 3, kHostMesh = 7;
constexpr uint32_t kLitRed = 0xFF0000, kLitGreen = 0x00FF00, kBlack = 0x000000;

// A square of half-size deviation / 10, so each deviation's geometry shows.
std::unique_ptr<TestFacets> squareForDeviation(double deviation) { return squareFacets(float(deviation / 10.0)); }

// The arrays of newSolidMesh.
struct MeshArrays {
    std::vector<float> vertices, normals;
    std::vector<int> faces;
};

// Appends a square in the plane z over [x0, x1] x [y0, y1], facing the camera (+z) or away.
void addSquare(MeshArrays& m, float x0, float y0, float x1, float y1, bool facingCamera, float z = 0) {
    const int base = int(m.vertices.size() / 3);
    m.vertices.insert(m.vertices.end(), {x0, y0, z, x1, y0, z, x1, y1, z, x0, y1, z});
    for (int i = 0; i < 4; ++i) m.normals.insert(m.normals.end(), {0, 0, facingCamera ? 1.0f : -1.0f});
    addArrayTriangle(m.faces, base, base + (facingCamera ? 1 : 2), base + (facingCamera ? 2 : 1));
    addArrayTriangle(m.faces, base, base + (facingCamera ? 2 : 3), base + (facingCamera ? 3 : 2));
}

MeshArrays square(float x0, float y0, float x1, float y1, bool facingCamera) {
    MeshArrays m;
    addSquare(m, x0, y0, x1, y1, facingCamera);
    m.faces.push_back(0);
    return m;
}

// A box of half-size h seen from the front: its front side twice and its back side.
MeshArrays box(float h) {
    MeshArrays m;
    addSquare(m, -h, -h, h, h, true, h);
    addSquare(m, -h, -h, h, h, true, h);
    addSquare(m, -h, -h, h, h, false, -h);
    m.faces.push_back(0);
    return m;
}

class DXContextMeshes : public RenderedScene {
protected:
    void SetUp() override {
        RenderedScene::SetUp();
        if (!HasFatalFailure()) addLight();
    }

    int solidMesh(MeshArrays arrays, bool doubleSided) {
        SolidArrays safe(arrays.vertices, arrays.normals, arrays.faces);
        int mesh = 0;
        EXPECT_EQ(context->newSolidMesh(safe.v(), safe.n(), safe.f(), doubleSided ? VARIANT_TRUE : VARIANT_FALSE, &mesh),
                  S_OK);
        EXPECT_EQ(context->frameAddVisual(root, mesh), S_OK);
        return mesh;
    }
    int hostMesh(TestFacetFactory& factory) {
        int mesh = 0;
        EXPECT_EQ(context->newSolidMeshFromHandle(kHostMesh, factory.handle, &mesh), S_OK);
        EXPECT_EQ(context->frameAddVisual(root, mesh), S_OK);
        return mesh;
    }
    // The host mesh in a frame of its own at (x, 0, 0) drawn in `colour`.
    struct Instance {
        int frame = 0, mesh = 0;
    };
    Instance instance(TestFacetFactory& factory, double x, uint32_t colour) {
        Instance placed;
        EXPECT_EQ(context->newFrame(root, &placed.frame), S_OK);
        EXPECT_EQ(pelmora::setTranslation(context, placed.frame, x, 0, 0), S_OK);
        EXPECT_EQ(context->setFrameColor(placed.frame, int(colour)), S_OK);
        EXPECT_EQ(context->newSolidMeshFromHandle(kHostMesh, factory.handle, &placed.mesh), S_OK);
        EXPECT_EQ(context->frameAddVisual(placed.frame, placed.mesh), S_OK);
        return placed;
    }
    // The mesh the scene pick finds at world point (x, 0) while the plane is [-1, 1]; 0 for none.
    int pickedAt(double x) {
        pelmora::SceneHit hit;
        EXPECT_EQ(pelmora::pickScene(context, viewport, root, int((x + 1.0) * 0.5 * kSize), kSize / 2, &hit), S_OK);
        return hit.mesh;
    }
    // Zooms the view plane to [-half, half] on both axes.
    void zoom(double half) { ASSERT_EQ(context->setViewportPlane(viewport, -half, half, -half, half), S_OK); }
    static D3DINDEXBUFFER_DESC indexBufferOf(int mesh) {
        auto* solid = pelmora::resolveHandle<pelmora::DXSolidMesh>(mesh);
        D3DINDEXBUFFER_DESC desc{};
        EXPECT_TRUE(solid && solid->batch() && solid->batch()->indexBuffer);
        if (solid && solid->batch() && solid->batch()->indexBuffer) solid->batch()->indexBuffer->GetDesc(&desc);
        return desc;
    }

    pelmora::DXContext* engine() const { return static_cast<pelmora::DXContext*>(context); }
    // The deviations the factory was asked for, in order.
    static std::vector<double> asked(const TestFacetFactory& factory) {
        std::vector<double> deviations;
        for (const auto& request : factory.requests) deviations.push_back(request.deviation);
        return deviations;
    }

};

// The pixel showing world point (x, y) while the plane is [-1, 1].
#define EXPECT_WORLD_PIXEL(image, x, y, colour) \
    EXPECT_PIXEL_NEAR(image, int(((x) + 1.0) * 0.5 * kSize), int((1.0 - (y)) * 0.5 * kSize), colour, kTolerance)

// ---- Lit drawing ----

TEST_F(DXContextMeshes, FrontAndBackFacesDrawLitAndASingleSidedBackIsCulled) {
    solidMesh(square(-0.9f, 0.1f, -0.1f, 0.9f, true), false);                    // top left, facing the camera
    const int doubled = solidMesh(square(0.1f, 0.1f, 0.9f, 0.9f, false), true);  // top right, its back towards us
    solidMesh(square(0.1f, -0.9f, 0.9f, -0.1f, false), false);                   // bottom right, single-sided
    const Image image = draw("mesh_sides");
    EXPECT_WORLD_PIXEL(image, -0.5, 0.5, kLitRed);
    // The back copy carries the reversed normal, so it faces the light fully.
    EXPECT_WORLD_PIXEL(image, 0.5, 0.5, kLitRed);
    EXPECT_WORLD_PIXEL(image, 0.5, -0.5, kBlack);
    EXPECT_WORLD_PIXEL(image, -0.5, -0.5, kBlack);
    // Small meshes keep 16-bit indices; double-sided ones double their buffers.
    EXPECT_EQ(indexBufferOf(doubled).Format, D3DFMT_INDEX16);
    auto* solid = pelmora::resolveHandle<pelmora::DXSolidMesh>(doubled);
    ASSERT_TRUE(solid && solid->batch());
    EXPECT_EQ(solid->batch()->vertexCount, 8u);
    EXPECT_EQ(solid->batch()->primitiveCount, 4u);
}

TEST_F(DXContextMeshes, NeverRenderAndReducedDetailsHideMeshes) {
    const int hidden = solidMesh(square(-0.5f, -0.5f, 0.5f, 0.5f, true), false);
    EXPECT_EQ(context->setNeverRenderMesh(hidden), S_OK);
    EXPECT_EQ(context->setVisible(hidden, VARIANT_TRUE), S_OK);
    solidMesh(box(0.05f), false);  // 0.001 of volume against 4 of area
    const Image first = draw();
    EXPECT_WORLD_PIXEL(first, 0.3, 0.3, kBlack);  // never rendered, for good
    EXPECT_WORLD_PIXEL(first, 0.0, 0.0, kLitRed);
    ASSERT_EQ(context->viewportSetReduceDetails(viewport, VARIANT_TRUE), S_OK);
    EXPECT_WORLD_PIXEL(draw(), 0.0, 0.0, kBlack);
    solidMesh(box(0.2f), false);  // 0.064 is enough to stay
    EXPECT_WORLD_PIXEL(draw(), 0.0, 0.0, kLitRed);
}

TEST_F(DXContextMeshes, AMeshOfTwoHundredThousandVerticesDrawsWithWideIndices) {
    constexpr int kColumns = 400, kRows = 500;  // 200,000 vertices
    MeshArrays grid;
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c) {
            grid.vertices.insert(grid.vertices.end(),
                                 {-0.8f + 1.6f * c / (kColumns - 1), -0.8f + 1.6f * r / (kRows - 1), 0.0f});
            grid.normals.insert(grid.normals.end(), {0, 0, 1});
        }
    for (int r = 0; r + 1 < kRows; ++r)
        for (int c = 0; c + 1 < kColumns; ++c) {
            const int a = r * kColumns + c;
            addArrayTriangle(grid.faces, a, a + 1, a + kColumns + 1);
            addArrayTriangle(grid.faces, a, a + kColumns + 1, a + kColumns);
        }
    grid.faces.push_back(0);
    const int mesh = solidMesh(std::move(grid), false);
    const Image image = draw("mesh_200k_vertices");
    // The top rows use indices far beyond 65,535.
    for (double y : {-0.7, 0.0, 0.5, 0.75})
        for (double x : {-0.7, 0.0, 0.7}) EXPECT_WORLD_PIXEL(image, x, y, kLitRed);
    EXPECT_WORLD_PIXEL(image, 0.0, 0.9, kBlack);
    EXPECT_EQ(indexBufferOf(mesh).Format, D3DFMT_INDEX32);
}

TEST_F(DXContextMeshes, ASimplificationLevelIsRecordedAndDrawingStaysTheSame) {
    const int mesh = solidMesh(square(-0.5f, -0.5f, 0.5f, 0.5f, true), true);
    const Image before = draw();
    EXPECT_EQ(context->setMeshSimplificationLevel(mesh, 2), S_OK);
    EXPECT_EQ(pelmora::resolveHandle<pelmora::DXSolidMesh>(mesh)->simplificationLevel(), 2);
    EXPECT_EQ(draw().pixels, before.pixels);
}

// ---- Refinement against a host factory ----

TEST_F(DXContextMeshes, AutomaticRefinementAsksOncePerDeviationAndReusesTheFirst) {
    TestFacetFactory factory(squareForDeviation);
    hostMesh(factory);
    EXPECT_TRUE(factory.requests.empty()) << "nothing is fetched before the first draw";
    const Image fine = draw("mesh_refine_fine");
    zoom(9.0);
    draw("mesh_refine_coarse");
    zoom(1.0);
    const Image again = draw("mesh_refine_fine_again");
    ASSERT_EQ(factory.requests.size(), 2u);
    const double first = factory.requests[0].deviation;
    EXPECT_GT(factory.requests[1].deviation, first);
    EXPECT_EQ((std::tuple{factory.requests[0].hostMesh, factory.requests[0].manual, factory.outstanding}),
              (std::tuple{kHostMesh, 0, 0}));
    // The third view shows the first geometry, not the coarser one.
    EXPECT_WORLD_PIXEL(again, first / 10.0 * 0.5, 0.0, kLitRed);
    EXPECT_WORLD_PIXEL(again, first / 10.0 * 1.5, 0.0, kBlack);
    EXPECT_EQ(again.pixels, fine.pixels);
}

TEST_F(DXContextMeshes, APickOrAProjectionBeforeTheFirstRenderFetchesAtTheViewportsDeviation) {
    // The viewport's plane is [-1, 1], which a render measures as deviation 4.
    TestFacetFactory picked(squareForDeviation);
    TestFacetFactory projected(squareForDeviation);
    const int pickedMesh = hostMesh(picked);
    const int projectedMesh = hostMesh(projected);
    double hit[3] = {};
    VARIANT_BOOL isHit = 0;
    ASSERT_EQ(context->pickMesh(pickedMesh, root, viewport, kSize / 2, kSize / 2, 0, 0, 10, 0, 0, -1, 0.5, 2.0,
                                &hit[0], &hit[1], &hit[2], &isHit),
              S_OK);
    EXPECT_EQ(isHit, VARIANT_TRUE);
    SafeArrayPtr transform = makeDoubleArray(translationValues(0, 0, 0));
    SAFEARRAY* raw = transform.get();
    SAFEARRAY* points = nullptr;
    SAFEARRAY* list = nullptr;
    ASSERT_EQ(context->getScreenData(projectedMesh, viewport, &raw, &points, &list), S_OK);
    SafeArrayDestroy(points);
    SafeArrayDestroy(list);
    EXPECT_EQ(asked(picked), std::vector<double>{4.0});
    EXPECT_EQ(asked(projected), std::vector<double>{4.0});
    // The render finds both at its deviation already and draws what was fetched.
    const Image image = draw("mesh_fetched_before_render");
    EXPECT_EQ(picked.requests.size(), 1u);
    EXPECT_EQ(projected.requests.size(), 1u);
    EXPECT_WORLD_PIXEL(image, 0.3, 0.0, kLitRed);
    EXPECT_WORLD_PIXEL(image, 0.5, 0.0, kBlack);
}

TEST_F(DXContextMeshes, ManualRefinementFetchesAgainOnlyOnRefresh) {
    TestFacetFactory factory(squareForDeviation);
    const int mesh = hostMesh(factory);
    ASSERT_EQ(context->setAutomaticRefinement(viewport, VARIANT_FALSE), S_OK);  // level 1: 20
    draw();
    ASSERT_EQ(asked(factory), std::vector<double>{20.0});
    EXPECT_EQ(factory.requests[0].manual, 1);
    ASSERT_EQ(context->setManualRefinementLevel(viewport, 12), S_OK);  // 5
    draw();
    EXPECT_EQ(asked(factory), std::vector<double>{20.0});
    ASSERT_EQ(context->refreshMesh(mesh), S_OK);
    EXPECT_EQ(asked(factory), (std::vector<double>{20.0, 5.0}));
    const Image image = draw();
    EXPECT_EQ(factory.requests.size(), 2u);
    EXPECT_WORLD_PIXEL(image, 0.4, 0.0, kLitRed);
    EXPECT_WORLD_PIXEL(image, 0.6, 0.0, kBlack);
}

TEST_F(DXContextMeshes, SuspendedRefinementsKeepTheCurrentGeometry) {
    TestFacetFactory factory(squareForDeviation);
    hostMesh(factory);
    draw();
    ASSERT_EQ(context->suspendMeshRefinements(VARIANT_TRUE), S_OK);
    zoom(9.0);
    EXPECT_WORLD_PIXEL(draw(), 0.0, 0.0, kLitRed);
    EXPECT_EQ(factory.requests.size(), 1u);
    ASSERT_EQ(context->suspendMeshRefinements(VARIANT_FALSE), S_OK);
    draw();
    EXPECT_EQ(factory.requests.size(), 2u);
}

TEST_F(DXContextMeshes, AFactoryWithNothingKeepsTheOldGeometryInAutomaticModeOnly) {
    TestFacetFactory factory(squareForDeviation);
    const int mesh = hostMesh(factory);
    draw();
    factory.make = nullptr;
    zoom(9.0);
    EXPECT_WORLD_PIXEL(draw(), 0.0, 0.0, kLitRed);
    EXPECT_EQ(factory.requests.size(), 2u);
    ASSERT_EQ(context->setAutomaticRefinement(viewport, VARIANT_FALSE), S_OK);
    ASSERT_EQ(context->refreshMesh(mesh), S_OK);
    EXPECT_WORLD_PIXEL(draw(), 0.0, 0.0, kBlack);
}

TEST_F(DXContextMeshes, BuffersAreMadeAgainOnTheNewDeviceAfterALoss) {
    TestFacetFactory factory(squareForDeviation);
    hostMesh(factory);
    solidMesh(square(-0.9f, -0.9f, -0.6f, -0.6f, true), true);
    draw();
    IDirect3DDevice9* lost = engine()->device();
    ASSERT_TRUE(pelmora::d3d9gl::forceDeviceLoss(lost));
    testing::internal::CaptureStdout();
    ASSERT_EQ(context->viewportPresent(viewport, 0, 0, kSize, kSize), S_OK);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Creating device"), std::string::npos) << log;
    // A freed device's address may come back, so ask the device itself.
    ASSERT_EQ(engine()->device()->TestCooperativeLevel(), D3D_OK);
    const Image image = draw("mesh_after_device_loss");
    EXPECT_WORLD_PIXEL(image, 0.0, 0.0, kLitRed);
    EXPECT_WORLD_PIXEL(image, -0.75, -0.75, kLitRed);
    EXPECT_EQ(factory.requests.size(), 1u) << "the geometry itself survives";
}

TEST_F(DXContextMeshes, ReleasingAMeshAfterThreeDeviationsFreesEverything) {
    TestFacetFactory factory(squareForDeviation);
    const int mesh = hostMesh(factory);
    for (double half : {1.0, 9.0, 30.0}) {
        zoom(half);
        draw();
    }
    ASSERT_EQ(factory.requests.size(), 3u);
    int providerHandle = 0;
    ASSERT_EQ(context->getTorvelMeshProvider(&providerHandle), S_OK);
    IMeshProvider* provider = PelmoraGetMeshProvider(providerHandle);
    ASSERT_NE(provider, nullptr);
    FacetSource* source = nullptr;
    ASSERT_EQ(provider->getFacets(factory.handle, kHostMesh, &source), S_OK);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->vertexCount(), 4);
    EXPECT_EQ(source->vertices()[1].x, float(asked(factory).back() / 10.0)) << "the latest geometry";
    EXPECT_EQ(provider->releaseFacets(source), S_OK);
    // The sanitizer build reports any record freed twice or never.
    ASSERT_EQ(context->releaseHandle(mesh), S_OK);
    EXPECT_EQ(pelmora::HandleTable::instance().lookup(mesh), nullptr);
    ASSERT_EQ(provider->getFacets(factory.handle, kHostMesh, &source), S_OK);
    EXPECT_EQ(source, nullptr);
    EXPECT_EQ(factory.outstanding, 0);
}

// ---- Instances of one part ----

// Two meshes on one host mesh, a red one at x = -0.5 and a green one at +0.5:
// one request and one geometry per deviation and one vertex buffer between
// them, each drawn and picked where its frame puts it, and either released
// leaves the other drawing and picking.
TEST_F(DXContextMeshes, InstancesOfOnePartShareFacetsAndBuffersAndOutliveEachOther) {
    for (const bool releaseRed : {true, false}) {
        SCOPED_TRACE(releaseRed ? "red released" : "green released");
        TestFacetFactory factory(squareForDeviation);
        const Instance red = instance(factory, -0.5, 0xFFFF0000u), green = instance(factory, 0.5, 0xFF00FF00u);
        const Image both = draw(releaseRed ? "instances_both" : "");
        EXPECT_WORLD_PIXEL(both, -0.5, 0.0, kLitRed);
        EXPECT_WORLD_PIXEL(both, 0.5, 0.0, kLitGreen);
        EXPECT_WORLD_PIXEL(both, 0.0, 0.0, kBlack);
        EXPECT_EQ((std::pair{pickedAt(-0.5), pickedAt(0.5)}), (std::pair{red.mesh, green.mesh}));
        auto* redSolid = pelmora::resolveHandle<pelmora::DXSolidMesh>(red.mesh);
        auto* greenSolid = pelmora::resolveHandle<pelmora::DXSolidMesh>(green.mesh);
        ASSERT_TRUE(redSolid && greenSolid && redSolid->batch() && greenSolid->batch());
        EXPECT_EQ(redSolid->geometry(), greenSolid->geometry());
        EXPECT_EQ(redSolid->batch()->vertexBuffer.get(), greenSolid->batch()->vertexBuffer.get());
        zoom(9.0);
        draw();
        zoom(1.0);
        draw();
        EXPECT_EQ(asked(factory), (std::vector<double>{4.0, 8.0})) << "each deviation asked once for both";

        const Instance gone = releaseRed ? red : green, kept = releaseRed ? green : red;
        ASSERT_EQ(context->releaseHandle(gone.mesh), S_OK);
        const Image one = draw();
        const double keptAt = releaseRed ? 0.5 : -0.5;
        EXPECT_WORLD_PIXEL(one, keptAt, 0.0, releaseRed ? kLitGreen : kLitRed);
        EXPECT_WORLD_PIXEL(one, -keptAt, 0.0, kBlack);
        EXPECT_EQ((std::pair{pickedAt(keptAt), pickedAt(-keptAt)}), (std::pair{kept.mesh, 0}));
        EXPECT_EQ(factory.requests.size(), 2u);
        for (int handle : {kept.mesh, gone.frame, kept.frame}) EXPECT_EQ(context->releaseHandle(handle), S_OK);
    }
}

}  // namespace

// ---- Contexts sharing a scene ----

// The device of a released context lives on while a mesh of another context
// still holds buffers made on it; drawn elsewhere, the mesh lets them go.
TEST_F(DXContextMeshes, AReleasedContextsDeviceLivesUntilTheLastBuffersMadeOnItGo) {
    IDXContext* owner = nullptr;
    ASSERT_EQ(PelmoraCreateContext(&owner), S_OK);
    int shared = 0, mesh = 0;
    ASSERT_EQ(owner->newFrame(0, &shared), S_OK);
    ASSERT_EQ(owner->setFrameColor(shared, int(0xFFFF0000u)), S_OK);
    MeshArrays arrays = square(-0.5f, -0.5f, 0.5f, 0.5f, true);
    SolidArrays safe(arrays.vertices, arrays.normals, arrays.faces);
    ASSERT_EQ(owner->newSolidMesh(safe.v(), safe.n(), safe.f(), VARIANT_FALSE, &mesh), S_OK);
    ASSERT_EQ(owner->frameAddVisual(shared, mesh), S_OK);

    // Drawn in this context's viewport: the buffers are made on this device.
    ASSERT_EQ(context->frameAddChild(root, shared), S_OK);
    EXPECT_WORLD_PIXEL(draw(), 0.0, 0.0, kLitRed);
    auto* solid = pelmora::resolveHandle<pelmora::DXSolidMesh>(mesh);
    ASSERT_TRUE(solid && solid->batch() && solid->batch()->vertexBuffer);
    ASSERT_EQ(context->releaseHandle(viewport), S_OK);
    viewport = 0;
    testing::internal::CaptureStdout();
    context->Release();
    context = nullptr;
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Device count is"), std::string::npos) << log;

    IDirect3DDevice9* first = nullptr;  // one reference more, ours, given back last
    ASSERT_EQ(solid->batch()->vertexBuffer->GetDevice(&first), D3D_OK);
    EXPECT_EQ(first->TestCooperativeLevel(), D3D_OK) << "the device is still whole";

    const int window2 = PelmoraCreateOffscreenWindow(kSize, kSize);
    int viewport2 = 0;
    ASSERT_EQ(owner->newViewport(window2, 0, VARIANT_TRUE, kSize, kSize, &viewport2), S_OK);
    ASSERT_EQ(owner->setViewportBackground(viewport2, 0, 0), S_OK);
    int light = 0;
    ASSERT_EQ(owner->viewportAddDirectionalLight(viewport2, int(0xFFFFFFFFu), 0, 0, -1, &light), S_OK);
    ASSERT_EQ(owner->clearViewport(viewport2), S_OK);
    ASSERT_EQ(owner->render(viewport2, shared, VARIANT_TRUE, VARIANT_FALSE), S_OK);
    ASSERT_EQ(owner->viewportFlip(viewport2, VARIANT_TRUE), S_OK);
    ASSERT_EQ(owner->viewportPresent(viewport2, 0, 0, kSize, kSize), S_OK);
    const Image image = D3D9TestDevice::windowImage(window2);
    D3D9TestDevice::savePng(image, "mesh_shared_after_context_release");
    EXPECT_WORLD_PIXEL(image, 0.0, 0.0, kLitRed);
    EXPECT_WORLD_PIXEL(image, 0.75, 0.75, kBlack);

    // The buffers now live on the owner's device, so ours was the last reference.
    IDirect3DDevice9* now = nullptr;
    ASSERT_TRUE(solid->batch() && solid->batch()->vertexBuffer);
    ASSERT_EQ(solid->batch()->vertexBuffer->GetDevice(&now), D3D_OK);
    EXPECT_EQ(now, static_cast<pelmora::DXContext*>(owner)->device());
    now->Release();
    EXPECT_EQ(first->Release(), 0u);

    owner->releaseHandle(viewport2);
    owner->Release();
    PelmoraDestroyWindow(window2);
}

// ---- A factory that calls back in ----

// A scene of its own per case, since some cases end the context.
struct CallbackScene {
    IDXContext* context = nullptr;
    int root = 0, window = 0, viewport = 0, mesh = 0;

    explicit CallbackScene(TestFacetFactory& factory) {
        EXPECT_EQ(PelmoraCreateContext(&context), S_OK);
        EXPECT_EQ(context->newFrame(0, &root), S_OK);
        EXPECT_EQ(context->setFrameColor(root, int(0xFFFF0000u)), S_OK);
        window = PelmoraCreateOffscreenWindow(kSize, kSize);
        EXPECT_EQ(context->newViewport(window, 0, VARIANT_TRUE, kSize, kSize, &viewport), S_OK);
        EXPECT_EQ(context->setViewportBackground(viewport, 0, 0), S_OK);
        EXPECT_EQ(context->newSolidMeshFromHandle(kHostMesh, factory.handle, &mesh), S_OK);
        EXPECT_EQ(context->frameAddVisual(root, mesh), S_OK);
    }
    ~CallbackScene() {
        if (context) {
            context->releaseHandle(viewport);
            context->Release();
        }
        PelmoraDestroyWindow(window);
    }
    HRESULT render() { return context->render(viewport, root, VARIANT_TRUE, VARIANT_FALSE); }
};

// Whatever the factory releases from inside a render is gone for the host at
// once and destroyed when the render returns; what would replace the device
// under the render is refused.
TEST(DXContextMeshCallbacks, ARenderOutlivesWhatTheFactoryReleasesAndRefusesANewDevice) {
    struct Case {
        const char* what;
        std::function<HRESULT(CallbackScene&)> callBack;
        HRESULT expected;
        // A handle that must be dead after the render, or 0.
        std::function<int(const CallbackScene&)> dead;
    };
    const Case cases[] = {
        {"the mesh", [](CallbackScene& s) { return s.context->releaseHandle(s.mesh); }, S_OK,
         [](const CallbackScene& s) { return s.mesh; }},
        {"the frame drawing it", [](CallbackScene& s) { return s.context->releaseHandle(s.root); }, S_OK,
         [](const CallbackScene& s) { return s.root; }},
        {"the viewport", [](CallbackScene& s) { return s.context->releaseHandle(s.viewport); }, S_OK,
         [](const CallbackScene& s) { return s.viewport; }},
        {"the context",
         [](CallbackScene& s) {
             s.context->Release();
             s.context = nullptr;
             return S_OK;
         },
         S_OK, [](const CallbackScene& s) { return s.mesh; }},
        {"a larger viewport",
         [](CallbackScene& s) {
             int larger = -1;
             const HRESULT status = s.context->newViewport(s.window, 0, VARIANT_TRUE, 4096, 4096, &larger);
             return larger == 0 ? status : E_UNEXPECTED;
         },
         E_ACCESSDENIED, nullptr},
        {"a render of its own",
         [](CallbackScene& s) {
             s.render();
             return S_OK;
         },
         S_OK, nullptr},
    };
    // Handles name objects process-wide, so another context can look at them.
    IDXContext* probe = nullptr;
    ASSERT_EQ(PelmoraCreateContext(&probe), S_OK);
    for (const Case& c : cases) {
        CallbackScene* scene = nullptr;
        std::vector<HRESULT> seen;
        TestFacetFactory factory(nullptr);
        factory.make = [&](double) {
            if (factory.requests.size() == 1) seen.push_back(c.callBack(*scene));
            return squareFacets(0.5f);
        };
        CallbackScene owned(factory);
        scene = &owned;
        testing::internal::CaptureStdout();
        const HRESULT rendered = owned.render();
        const std::string log = testing::internal::GetCapturedStdout();
        EXPECT_EQ(rendered, S_OK) << c.what << ": " << log;
        EXPECT_EQ(seen, std::vector<HRESULT>{c.expected}) << c.what << ": " << log;
        EXPECT_EQ(factory.outstanding, 0) << c.what;
        testing::internal::CaptureStdout();
        if (c.dead) {
            EXPECT_EQ(probe->setVisible(c.dead(owned), VARIANT_TRUE), E_HANDLE) << c.what;
        } else {
            // Nothing was released: the scene draws on, with the facets fetched once.
            EXPECT_EQ(owned.render(), S_OK) << c.what;
            EXPECT_EQ(factory.requests.size(), 1u) << c.what;
            EXPECT_EQ(probe->setVisible(owned.mesh, VARIANT_TRUE), S_OK) << c.what;
        }
        testing::internal::GetCapturedStdout();
    }
    probe->Release();
}
