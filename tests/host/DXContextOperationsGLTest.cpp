// Every operation called through the vtable, with good handles and with
// handles that name nothing: each answers with a status, none crashes. The
// context here has a real device and a viewport on an offscreen window.
#include <pelmora/pelmora.h>

#include "support/MeshTestSupport.h"
#include "core/HandleTable.h"
#include "scene/DXVisual.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// A visual that is not a frame: the "handle of another kind" for frame operations.
class PlainVisual : public pelmora::DXVisual {
public:
    HRESULT render(IDirect3DDevice9*, pelmora::RenderContext*, const D3DMATRIX*, D3DMATERIAL9*,
                   pelmora::RenderAttributes) override {
        return S_OK;
    }
    void dump(int) override {}
};

const std::vector<double> kIdentity = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};

// Out values an operation may fill; arrays and strings it returns are freed after each call.
struct Outs {
    int i = 0;
    int dc = 0;  // kept from getSurfaceDC for releaseSurfaceDC
    double d[6] = {};
    VARIANT_BOOL b = 0;
    BSTR s = nullptr;
    SAFEARRAY* a1 = nullptr;
    SAFEARRAY* a2 = nullptr;
    void clear() {
        SysFreeString(std::exchange(s, nullptr));
        SafeArrayDestroy(std::exchange(a1, nullptr));
        SafeArrayDestroy(std::exchange(a2, nullptr));
    }
};

enum class Handles { None, Frame, Visual, Viewport, Mesh };

struct Operation {
    const char* name;
    Handles handleKind;  // what its first handle must name
    HRESULT statusWithGoodHandle;
    std::function<HRESULT(IDXContext*, int handle, int other, Outs&)> call;
};

template <class T, class Use>
HRESULT withArray(VARTYPE type, const std::vector<T>& values, Use use) {
    pelmora::test::SafeArrayPtr array = pelmora::test::makeVector(type, values);
    SAFEARRAY* raw = array.get();
    return use(&raw);
}

std::vector<Operation> allOperations() {
    using C = IDXContext*;
    return {
        {"suspendMeshRefinements", Handles::None, S_OK, [](C c, int, int, Outs&) { return c->suspendMeshRefinements(0); }},
        {"initialize", Handles::None, S_OK, [](C c, int, int, Outs& o) { return c->initialize(0, nullptr, &o.b); }},
        {"enumerateDeviceNames", Handles::None, S_OK, [](C c, int, int, Outs& o) { return c->enumerateDeviceNames(&o.a1); }},
        {"validateCurrentDisplay", Handles::None, S_OK, [](C c, int, int, Outs&) { return c->validateCurrentDisplay(nullptr); }},
        {"getCurrentDeviceName", Handles::None, S_OK, [](C c, int, int, Outs& o) { return c->getCurrentDeviceName(&o.s); }},
        {"newViewport", Handles::None, S_OK, [](C c, int, int, Outs& o) { return c->newViewport(0, 0, 0, 32, 32, &o.i); }},
        {"releaseHandle", Handles::None, S_OK, [](C c, int, int, Outs&) { return c->releaseHandle(0); }},
        {"getTorvelMeshProvider", Handles::None, S_OK, [](C c, int, int, Outs& o) { return c->getTorvelMeshProvider(&o.i); }},
        {"newFrame", Handles::None, S_OK, [](C c, int, int, Outs& o) { return c->newFrame(0, &o.i); }},
        {"newPreloadedBillboard", Handles::None, S_OK, [](C c, int, int, Outs& o) { return c->newPreloadedBillboard(CONSTRAINT_FIXED, 4, 4, &o.i); }},
        {"newBillboard", Handles::None, S_OK, [](C c, int, int, Outs& o) { return c->newBillboard(0, 0, 0, &o.i); }},
        {"newDecal", Handles::None, S_OK, [](C c, int, int, Outs& o) { return c->newDecal(0, 0, 0, 1, 1, &o.i); }},
        {"newDotMesh", Handles::None, S_OK, [](C c, int, int, Outs& o) { return withArray(VT_R4, std::vector<float>{0, 0, 0}, [&](SAFEARRAY** a) { return c->newDotMesh(a, &o.i); }); }},
        {"newGrillMesh", Handles::None, S_OK, [](C c, int, int, Outs& o) { return c->newGrillMesh(0, 0, 1, 1, 1, 1, 1, 1, &o.i); }},
        {"newSolidMesh", Handles::None, E_INVALIDARG, [](C c, int, int, Outs& o) { return c->newSolidMesh(nullptr, nullptr, nullptr, 0, &o.i); }},
        {"newSolidMeshFromHandle", Handles::None, S_OK, [](C c, int, int, Outs& o) { return c->newSolidMeshFromHandle(1, 1, &o.i); }},
        {"newWireMesh", Handles::None, E_INVALIDARG, [](C c, int, int, Outs& o) { return c->newWireMesh(nullptr, nullptr, &o.i); }},
        {"newWireMeshFromHandle", Handles::None, S_OK, [](C c, int, int, Outs& o) { return c->newWireMeshFromHandle(1, 1, &o.i); }},
        {"getAppData", Handles::Visual, S_OK, [](C c, int h, int, Outs& o) { return c->getAppData(h, &o.i); }},
        {"setAppData", Handles::Visual, S_OK, [](C c, int h, int, Outs&) { return c->setAppData(h, 7); }},
        {"setVisible", Handles::Visual, S_OK, [](C c, int h, int, Outs&) { return c->setVisible(h, VARIANT_TRUE); }},
        {"frameSetReflectivity", Handles::Frame, S_OK, [](C c, int h, int, Outs&) { return c->frameSetReflectivity(h, 50); }},
        {"setFrameColor", Handles::Frame, S_OK, [](C c, int h, int, Outs&) { return c->setFrameColor(h, 0x7F102030); }},
        {"getFrameColor", Handles::Frame, S_OK, [](C c, int h, int, Outs& o) { return c->getFrameColor(h, &o.i); }},
        {"frameAddChild", Handles::Frame, S_OK, [](C c, int h, int other, Outs&) { return c->frameAddChild(h, other); }},
        {"frameDeleteChild", Handles::Frame, S_OK, [](C c, int h, int other, Outs&) { return c->frameDeleteChild(h, other); }},
        {"frameAddVisual", Handles::Frame, S_OK, [](C c, int h, int other, Outs&) { return c->frameAddVisual(h, other); }},
        {"frameDeleteVisual", Handles::Frame, S_OK, [](C c, int h, int other, Outs&) { return c->frameDeleteVisual(h, other); }},
        {"frameDeleteAllVisuals", Handles::Frame, S_OK, [](C c, int h, int, Outs&) { return c->frameDeleteAllVisuals(h); }},
        {"setFrameZBufferMode", Handles::Frame, S_OK, [](C c, int h, int, Outs&) { return c->setFrameZBufferMode(h, 1); }},
        {"addFrameTransform", Handles::Frame, S_OK, [](C c, int h, int, Outs&) { return withArray(VT_R8, kIdentity, [&](SAFEARRAY** a) { return c->addFrameTransform(h, 0, a); }); }},
        {"getFrameTransform", Handles::Frame, S_OK, [](C c, int h, int, Outs& o) { return c->getFrameTransform(h, &o.a1); }},
        {"addFrameRotation", Handles::Frame, S_OK, [](C c, int h, int, Outs&) { return c->addFrameRotation(h, 0, 0, 0, 1, 0.5); }},
        {"getFrameWorldTransform", Handles::Frame, S_OK, [](C c, int h, int, Outs& o) { return c->getFrameWorldTransform(h, &o.a1); }},
        {"frameSetOverrideRender", Handles::Frame, S_OK, [](C c, int h, int, Outs&) { return c->frameSetOverrideRender(h, VARIANT_TRUE); }},
        {"setTexture", Handles::None, S_OK, [](C c, int, int, Outs&) { return c->setTexture(12345, 678); }},
        {"frameSetLineWidth", Handles::Frame, S_OK, [](C c, int h, int, Outs&) { return c->frameSetLineWidth(h, 2); }},
        {"frameSetWriteZValues", Handles::Frame, S_OK, [](C c, int h, int, Outs&) { return c->frameSetWriteZValues(h, 0); }},
        {"frameSetWriteColorValues", Handles::Frame, S_OK, [](C c, int h, int, Outs&) { return c->frameSetWriteColorValues(h, 0); }},
        {"setFrameDrawFacetEdges", Handles::Frame, S_OK, [](C c, int h, int, Outs&) { return c->setFrameDrawFacetEdges(h, SOLID_MESH_DRAW_BORDERS, 0, 2, 0, 1); }},
        {"setMeshScale", Handles::Mesh, S_OK, [](C c, int h, int, Outs&) { return c->setMeshScale(h, 2); }},
        {"pickMesh", Handles::Mesh, S_OK, [](C c, int h, int, Outs& o) { return c->pickMesh(h, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, &o.d[0], &o.d[1], &o.d[2], &o.b); }},
        {"getMeshData", Handles::Mesh, S_OK, [](C c, int h, int, Outs& o) { return c->getMeshData(h, &o.a1, &o.a2); }},
        {"refreshMesh", Handles::Mesh, S_OK, [](C c, int h, int, Outs&) { return c->refreshMesh(h); }},
        {"getScreenData", Handles::Mesh, E_HANDLE, [](C c, int h, int, Outs& o) { return withArray(VT_R8, kIdentity, [&](SAFEARRAY** a) { return c->getScreenData(h, 0, a, &o.a1, &o.a2); }); }},  // needs a viewport
        {"getPrintData", Handles::Mesh, S_OK, [](C c, int h, int, Outs& o) { return withArray(VT_R8, kIdentity, [&](SAFEARRAY** a) { return c->getPrintData(h, a, 1, 1, 0, 0, &o.a1, &o.a2); }); }},
        {"setMeshSimplificationLevel", Handles::Mesh, S_OK, [](C c, int h, int, Outs&) { return c->setMeshSimplificationLevel(h, 1); }},
        {"setViewportBackground", Handles::Viewport, S_OK, [](C c, int h, int, Outs&) { return c->setViewportBackground(h, 0, 0); }},
        {"viewportAddAmbientLight", Handles::Viewport, S_OK, [](C c, int h, int, Outs&) { return c->viewportAddAmbientLight(h, 0); }},
        {"viewportAddDirectionalLight", Handles::Viewport, S_OK, [](C c, int h, int, Outs& o) { return c->viewportAddDirectionalLight(h, 0, 0, 0, 1, &o.i); }},
        {"viewportAddPointLight", Handles::Viewport, S_OK, [](C c, int h, int, Outs& o) { return c->viewportAddPointLight(h, 0, 0, 0, 0, 10, &o.i); }},
        {"viewportAddSpotLight", Handles::Viewport, S_OK, [](C c, int h, int, Outs& o) { return c->viewportAddSpotLight(h, 0, 0, 0, 0, 0, 0, 1, 10, 1, 1, 0, 0, 0.5f, 1, &o.i); }},
        {"setAutomaticRefinement", Handles::Viewport, S_OK, [](C c, int h, int, Outs&) { return c->setAutomaticRefinement(h, VARIANT_TRUE); }},
        {"setManualRefinementLevel", Handles::Viewport, S_OK, [](C c, int h, int, Outs&) { return c->setManualRefinementLevel(h, 3); }},
        {"setLightColor", Handles::None, S_OK, [](C c, int, int, Outs&) { return c->setLightColor(99, 0); }},
        {"setFront", Handles::Viewport, S_OK,  [](C c, int h, int, Outs&) { return c->setFront(h, 2.0); }},
        {"viewportRemoveLight", Handles::Viewport, S_OK, [](C c, int h, int, Outs&) { return c->viewportRemoveLight(h, 0); }},
        {"viewportSetReduceDetails", Handles::Viewport, S_OK, [](C c, int h, int, Outs&) { return c->viewportSetReduceDetails(h, 1); }},
        {"viewportSetRapidRender", Handles::Viewport, S_OK, [](C c, int h, int, Outs&) { return c->viewportSetRapidRender(h, 1); }},
        {"viewportSetNoReflectivity", Handles::Viewport, S_OK, [](C c, int h, int, Outs&) { return c->viewportSetNoReflectivity(h, 1); }},
        {"releaseHandles", Handles::None, S_OK, [](C c, int, int, Outs&) { return withArray(VT_I4, std::vector<int>{0, 0}, [&](SAFEARRAY** a) { return c->releaseHandles(a); }); }},
        {"getViewportPlane", Handles::Viewport, S_OK, [](C c, int h, int, Outs& o) { return c->getViewportPlane(h, &o.d[0], &o.d[1], &o.d[2], &o.d[3]); }},
        {"getViewportField", Handles::Viewport, S_OK, [](C c, int h, int, Outs& o) { return c->getViewportField(h, &o.d[0]); }},
        {"setViewportPlane", Handles::Viewport, S_OK, [](C c, int h, int, Outs&) { return c->setViewportPlane(h, 0, 10, 0, 2); }},
        {"getViewportFront", Handles::Viewport, S_OK, [](C c, int h, int, Outs& o) { return c->getViewportFront(h, &o.d[0]); }},
        {"getViewportPerspective", Handles::Viewport, S_OK, [](C c, int h, int, Outs& o) { return c->getViewportPerspective(h, &o.b); }},
        {"setViewportPerspective", Handles::Viewport, S_OK, [](C c, int h, int, Outs&) { return c->setViewportPerspective(h, VARIANT_TRUE); }},
        {"setViewportQuality", Handles::Viewport, S_OK, [](C c, int h, int, Outs&) { return c->setViewportQuality(h, 1); }},
        {"getViewportQuality", Handles::Viewport, S_OK, [](C c, int h, int, Outs& o) { return c->getViewportQuality(h, &o.i); }},
        {"viewportTransform", Handles::Viewport, S_OK, [](C c, int h, int, Outs& o) { return c->viewportTransform(h, 0, 0, 0, &o.d[0], &o.d[1], &o.d[2], &o.d[3]); }},
        {"clearViewport", Handles::Viewport, S_OK, [](C c, int h, int, Outs&) { return c->clearViewport(h); }},
        {"render", Handles::Viewport, S_OK, [](C c, int h, int other, Outs&) { return c->render(h, other, VARIANT_TRUE, 0); }},
        {"inverseViewportTransform", Handles::Viewport, S_OK, [](C c, int h, int, Outs& o) { return c->inverseViewportTransform(h, 0, 0, 0, 1, &o.d[0], &o.d[1], &o.d[2]); }},
        {"getCameraPosition", Handles::Viewport, S_OK, [](C c, int h, int, Outs& o) { return c->getCameraPosition(h, &o.d[0], &o.d[1], &o.d[2]); }},
        {"setCameraTransform", Handles::Viewport, S_OK, [](C c, int h, int, Outs&) { return withArray(VT_R8, kIdentity, [&](SAFEARRAY** a) { return c->setCameraTransform(h, a); }); }},
        {"getCameraTransform", Handles::Viewport, S_OK, [](C c, int h, int, Outs& o) { return c->getCameraTransform(h, &o.a1); }},
        {"saveSnapshotJPG", Handles::Viewport, E_INVALIDARG, [](C c, int h, int, Outs&) { return c->saveSnapshotJPG(h, nullptr, 32, 32); }},
        {"rotateCamera", Handles::Viewport, S_OK, [](C c, int h, int, Outs&) { return c->rotateCamera(h, 0, 0, 0, 0, 1, 0, 0.1); }},
        {"setDisregardRenderOverride", Handles::Viewport, S_OK, [](C c, int h, int, Outs&) { return c->setDisregardRenderOverride(h, 1); }},
        {"getSelectionRay", Handles::Viewport, S_OK, [](C c, int h, int, Outs& o) { return c->getSelectionRay(h, 1, 1, &o.d[0], &o.d[1], &o.d[2], &o.d[3], &o.d[4], &o.d[5]); }},
        {"resetViewport", Handles::Viewport, S_OK, [](C c, int h, int, Outs&) { return c->resetViewport(h); }},
        {"viewportPresent", Handles::Viewport, S_OK, [](C c, int h, int, Outs&) { return c->viewportPresent(h, 0, 0, 8, 8); }},
        {"viewportFlip", Handles::Viewport, S_OK, [](C c, int h, int, Outs&) { return c->viewportFlip(h, VARIANT_TRUE); }},
        {"setNeverRenderMesh", Handles::Mesh, S_OK, [](C c, int h, int, Outs&) { return c->setNeverRenderMesh(h); }},
        {"getSurfaceDC", Handles::Viewport, S_OK, [](C c, int h, int, Outs& o) { return c->getSurfaceDC(h, &o.dc); }},
        {"releaseSurfaceDC", Handles::Viewport, S_OK, [](C c, int h, int, Outs& o) { return c->releaseSurfaceDC(h, o.dc); }},
    };
}

class DXContextOperations : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(PelmoraCreateContext(&context), S_OK);
        ASSERT_EQ(context->newFrame(0, &frame), S_OK);
        ASSERT_EQ(context->newFrame(0, &otherFrame), S_OK);
        int doomed = 0;
        ASSERT_EQ(context->newFrame(0, &doomed), S_OK);
        ASSERT_EQ(context->releaseHandle(doomed), S_OK);
        released = doomed;
        plainVisual = pelmora::HandleTable::instance().issue(&visual, pelmora::HandleKind::Visual);
        window = PelmoraCreateOffscreenWindow(64, 64);
        ASSERT_EQ(context->newViewport(window, 0, VARIANT_TRUE, 64, 64, &viewport), S_OK);
        ASSERT_NE(viewport, 0);
        // A host-backed mesh whose factory has nothing to give.
        ASSERT_EQ(context->newSolidMeshFromHandle(5, factory.handle, &mesh), S_OK);
    }
    void TearDown() override {
        if (context) context->releaseHandle(viewport);
        if (context) context->Release();
        PelmoraDestroyWindow(window);
    }

    int goodHandleFor(Handles kind) const {
        const int handles[] = {0, frame, frame, viewport, mesh};  // in the order of Handles
        return handles[int(kind)];
    }

    IDXContext* context = nullptr;
    int frame = 0;
    int otherFrame = 0;
    int released = 0;
    PlainVisual visual;
    int plainVisual = 0;
    int window = 0;
    int viewport = 0;
    pelmora::test::TestFacetFactory factory{nullptr};
    int mesh = 0;
};

TEST_F(DXContextOperations, EveryOperationInSlotOrderReturnsItsStatus) {
    std::vector<Operation> operations = allOperations();
    ASSERT_EQ(operations.size(), size_t(kDXContextOperationCount));
    Outs outs;
    for (size_t i = 0; i < operations.size(); ++i) {
        const Operation& op = operations[i];
        EXPECT_STREQ(op.name, kDXContextDispatchTable[i].name);
        int other = std::string(op.name) == "frameAddVisual" ? plainVisual : otherFrame;
        HRESULT status = op.call(context, goodHandleFor(op.handleKind), other, outs);
        EXPECT_EQ(status, op.statusWithGoodHandle) << op.name;
        outs.clear();
    }
}

TEST_F(DXContextOperations, HandlesThatNameNothingGiveAStatusNeverACrash) {
    const int wrongKind = plainVisual;
    for (const Operation& op : allOperations()) {
        for (int bad : {0, released, wrongKind, 0x12345678, -7}) {
            Outs outs;
            HRESULT status = op.call(context, bad, bad, outs);
            outs.clear();
            if (op.handleKind == Handles::Viewport) {
                bool documentedZero = bad == 0 && std::string(op.name) == "setFront";
                EXPECT_EQ(status, documentedZero ? S_OK : E_HANDLE) << op.name << " " << bad;
            } else if (op.handleKind == Handles::Frame) {
                bool documentedZero = bad == 0 && std::string(op.name) == "getFrameWorldTransform";
                EXPECT_EQ(status, documentedZero ? S_OK : E_HANDLE) << op.name << " " << bad;
            } else if (op.handleKind == Handles::Visual) {
                EXPECT_EQ(status, bad == wrongKind ? S_OK : E_HANDLE) << op.name << " " << bad;
            }
        }
    }
    // The context and its objects still work afterwards.
    int color = 0;
    EXPECT_EQ(context->setFrameColor(frame, static_cast<int>(0xFF010203u)), S_OK);
    EXPECT_EQ(context->getFrameColor(frame, &color), S_OK);
    EXPECT_EQ(static_cast<unsigned>(color), 0xFF010203u);
}

TEST_F(DXContextOperations, FailuresAreTracedWithTheirSourceFile) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(context->setFrameColor(released, 0), E_HANDLE);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("FAILED HRESULT (0x80070006) [6] in DXContextScene.cpp @ "), std::string::npos) << log;
}

}  // namespace
