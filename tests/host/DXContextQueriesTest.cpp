// The mesh queries through IDXContext without a device: the arrays
// getMeshData and getPrintData hand out, and what a failing or empty query
// leaves in the out parameters.
#include <pelmora/pelmora.h>

#include "mesh/DXUserMesh.h"
#include "support/MeshTestSupport.h"
#include "core/HandleTable.h"

#include <gtest/gtest.h>

#include <cmath>

#include <string>
#include <vector>

namespace {

using namespace pelmora;
using namespace pelmora::test;

// A mesh whose pick fails, and which holds nothing to read (as dots and grids).
class BrokenMesh final : public DXMesh {
public:
    HRESULT render(IDirect3DDevice9*, RenderContext*, const D3DMATRIX*, D3DMATERIAL9*,
                   RenderAttributes) override {
        return S_OK;
    }
    HRESULT pickMesh(RenderContext*, const PickRequest&, PickResult*) override { return E_FAIL; }
};

// A user mesh with readable geometry, as line meshes have.
class ReadableMesh final : public DXUserMesh {
public:
    explicit ReadableMesh(std::vector<MeshVertex> vertices, std::vector<uint32_t> list) {
        auto geometry = std::make_unique<SolidGeometry>();
        geometry->vertexCount = uint32_t(vertices.size());
        geometry->vertices = std::move(vertices);
        geometry->count = uint32_t(list.size());
        geometry->faces = std::move(list);
        adoptGeometry(std::move(geometry));
    }

    HRESULT getMeshData(MeshData* data) override {
        *data = currentData();
        return S_OK;
    }
};

// A sentinel no call may leave behind when it sets or clears an out array.
SAFEARRAY* const kUntouched = reinterpret_cast<SAFEARRAY*>(uintptr_t{0x10});

class DXContextQueries : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(PelmoraCreateContext(&context), S_OK); }
    void TearDown() override { context->Release(); }

    // A triangle with one vertex at (10, 20, 5).
    int solid() {
        const std::vector<float> vertices = {10, 20, 5, 11, 20, 5, 10, 21, 5};
        std::vector<int> faces;
        addArrayTriangle(faces, 0, 1, 2);
        faces.push_back(0);
        SolidArrays arrays(vertices, {}, faces);
        int mesh = 0;
        EXPECT_EQ(context->newSolidMesh(arrays.v(), arrays.n(), arrays.f(), 0, &mesh), S_OK);
        return mesh;
    }
    // The object retires its handle when it goes.
    int issue(DXObject* object) {
        return HandleTable::instance().issue(object, HandleKind::Visual);
    }

    HRESULT pick(int mesh, int viewport, double x, double y, double* hit, VARIANT_BOOL* isHit) {
        return context->pickMesh(mesh, 0, viewport, 0, 0, x, y, 10, 0, 0, -1, 0.5, 2.0, &hit[0],
                                 &hit[1], &hit[2], isHit);
    }
    HRESULT print(int mesh, const std::vector<double>& transform, double scale, double height,
                  double offsetX, double offsetY) {
        SafeArrayPtr array = makeDoubleArray(transform);
        SAFEARRAY* raw = array.get();
        return context->getPrintData(mesh, &raw, scale, height, offsetX, offsetY, &points, &list);
    }

    IDXContext* context = nullptr;
    SAFEARRAY* points = kUntouched;
    SAFEARRAY* list = kUntouched;
    const std::vector<double> identity = translationValues(0, 0, 0);
};

TEST_F(DXContextQueries, AFailingPickIsTracedAndLeavesTheOutParametersAlone) {
    BrokenMesh broken;
    const int mesh = issue(&broken);
    double hit[3] = {7, 8, 9};
    VARIANT_BOOL isHit = 3;
    testing::internal::CaptureStdout();
    EXPECT_EQ(pick(mesh, 0, 0, 0, hit, &isHit), E_FAIL);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("FAILED HRESULT (0x80004005) [16389] in DXContextQueries.cpp"),
              std::string::npos)
        << log;
    EXPECT_EQ(isHit, 3);
    EXPECT_EQ(hit[0], 7.0);
    EXPECT_EQ(hit[2], 9.0);

    // A viewport handle that names a mesh fails the same way.
    const int solidMesh = solid();
    EXPECT_EQ(pick(solidMesh, solidMesh, 10.25, 20.5, hit, &isHit), E_HANDLE);
    EXPECT_EQ(isHit, 3);
    EXPECT_EQ(hit[1], 8.0);
}

TEST_F(DXContextQueries, MeshesThatHoldNothingReadableGiveNullArrays) {
    // A solid: S_OK whatever it holds.
    EXPECT_EQ(context->getMeshData(solid(), &points, &list), S_OK);
    EXPECT_EQ(points, nullptr);
    EXPECT_EQ(list, nullptr);
    // A mesh with nothing to project, as dots and grids: their status comes back.
    BrokenMesh dotsLike;
    points = list = kUntouched;
    EXPECT_EQ(print(issue(&dotsLike), identity, 1, 1, 0, 0), 13);
    EXPECT_EQ(points, nullptr);
    EXPECT_EQ(list, nullptr);
}

TEST_F(DXContextQueries, AReadableMeshHandsOutThreeFloatsPerVertexAndItsList) {
    ReadableMesh readable({{1, 2, 3, 0, 0, 1, 0, 0}, {4, 5, 6, 0, 0, 1, 0.5f, 0.5f}},
                          {2, 0, 1, 0});
    const int mesh = issue(&readable);
    ASSERT_EQ(context->getMeshData(mesh, &points, &list), S_OK);
    VARTYPE type = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(points, &type), S_OK);
    EXPECT_EQ(type, VT_R4);
    EXPECT_EQ(takeVector<float>(points), (std::vector<float>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(takeVector<int32_t>(list), (std::vector<int32_t>{2, 0, 1, 0}));
}

TEST_F(DXContextQueries, PrintDataScalesFlipsAndTruncatesTowardZero) {
    const int mesh = solid();
    ASSERT_EQ(print(mesh, identity, 2.0, 100.0, 0.0, 0.0), S_OK);
    EXPECT_EQ(takeVector<int32_t>(points), (std::vector<int32_t>{20, 160, 22, 160, 20, 158}));
    EXPECT_EQ(takeVector<int32_t>(list), (std::vector<int32_t>{3, 0, 1, 2, 0}));

    points = list = kUntouched;
    ASSERT_EQ(print(mesh, identity, 1.0, 20.0, 11.5, -0.5), S_OK);
    // x: -1.5, -0.5, -1.5; y: -0.5, -0.5, -1.5.
    EXPECT_EQ(takeVector<int32_t>(points), (std::vector<int32_t>{-1, 0, 0, 0, -1, -1}));
    SafeArrayDestroy(list);

    // Coordinates past the int range stop at its ends; NaN ones are 0.
    const struct {
        double scale;
        int32_t x, y;
    } extremes[] = {{1e30, INT32_MAX, INT32_MAX}, {-1e30, INT32_MIN, INT32_MIN}, {std::nan(""), 0, 0}};
    for (const auto& e : extremes) {
        points = list = kUntouched;
        ASSERT_EQ(print(mesh, identity, e.scale, 100.0, 0.0, 0.0), S_OK) << e.scale;
        const std::vector<int32_t> values = takeVector<int32_t>(points);
        ASSERT_EQ(values.size(), 6u);
        EXPECT_EQ((std::pair{values[0], values[1]}), (std::pair{e.x, e.y})) << e.scale;
        SafeArrayDestroy(list);
    }
}

TEST_F(DXContextQueries, AMalformedTransformIsRefusedAndTheArraysStayAsTheyWere) {
    const int mesh = solid();
    for (size_t count : {11u, 16u}) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(print(mesh, std::vector<double>(count, 1.0), 1, 1, 0, 0), E_INVALIDARG);
        const std::string log = testing::internal::GetCapturedStdout();
        EXPECT_NE(log.find("FAILED HRESULT (0x80070057)"), std::string::npos) << log;
        EXPECT_EQ(points, kUntouched);
        EXPECT_EQ(list, kUntouched);
    }
}

}  // namespace
