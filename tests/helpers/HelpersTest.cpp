// The host helpers that need no device: facet sets handed out and taken back
// through a real context, names crossing as BSTRs, frame transforms without
// arrays, and the scene read-back the picking helper walks with.
#include <pelmora/helpers.h>
#include <pelmora/pelmora.h>

#include "support/MeshTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace {

using pelmora::Combine;
using pelmora::FacetBuffer;
using pelmora::Transform;

// A factory as a host writes it with the helpers: a square of half-size
// `deviation` in the plane z = 0, its front towards +z.
class LedgerFactory final : public FacetFactory {
public:
    LedgerFactory() : handle(PelmoraRegisterFacetFactory(this)) {}
    ~LedgerFactory() { PelmoraUnregisterFacetFactory(handle); }

    HRESULT getFacets(int, double deviation, int, FacetSource** source) override {
        auto square = std::make_unique<FacetBuffer>();
        const float h = float(deviation);
        const int a = square->addVertex(-h, -h, 0, 0, 0, 1);
        const int b = square->addVertex(h, -h, 0, 0, 0, 1);
        const int c = square->addVertex(h, h, 0, 0, 0, 1);
        const int d = square->addVertex(-h, h, 0, 0, 0, 1);
        square->addTriangle(a, b, c);
        square->addTriangle(a, c, d);
        ++handedOut;
        *source = ledger.handOut(std::move(square));
        return S_OK;
    }
    void releaseFacets(FacetSource* source) override {
        if (!ledger.release(source)) ++strays;
    }

    pelmora::FacetLedger ledger;
    int handedOut = 0, strays = 0;
    int handle = 0;
};

class Helpers : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(PelmoraCreateContext(&context), S_OK); }
    void TearDown() override {
        if (context) context->Release();
    }
    int frame(int parent = 0) {
        int handle = 0;
        EXPECT_EQ(context->newFrame(parent, &handle), S_OK);
        return handle;
    }
    Transform local(int f) {
        Transform t;
        EXPECT_EQ(pelmora::getTransform(context, f, &t), S_OK);
        return t;
    }
    // Picks straight down the z axis through (x, y) in the mesh's space.
    bool hits(int mesh, double x, double y) {
        double hit[3];
        VARIANT_BOOL isHit = VARIANT_FALSE;
        EXPECT_EQ(context->pickMesh(mesh, 0, 0, 0, 0, x, y, 5, 0, 0, -1, 0, 0, &hit[0], &hit[1], &hit[2], &isHit),
                  S_OK);
        return isHit != VARIANT_FALSE;
    }

    IDXContext* context = nullptr;
};

void expectNear(const Transform& actual, const Transform& expected, double tolerance = 1e-6) {
    for (size_t i = 0; i < 12; ++i) EXPECT_NEAR(actual.m[i], expected.m[i], tolerance) << "element " << i;
}

// ---- Facet sets ----

TEST_F(Helpers, EveryFacetBufferHandedOutComesBackToTheLedgerOnce) {
    LedgerFactory factory;
    int mesh = 0;
    ASSERT_EQ(context->newSolidMeshFromHandle(1, factory.handle, &mesh), S_OK);
    // Picking fetches the facets; the buffer arrived whole, closing 0 included.
    EXPECT_TRUE(hits(mesh, 0.0, 0.0));
    EXPECT_FALSE(hits(mesh, 30.0, 0.0));
    EXPECT_EQ(context->refreshMesh(mesh), S_OK);
    EXPECT_EQ(context->releaseHandle(mesh), S_OK);
    EXPECT_GE(factory.handedOut, 2);
    EXPECT_EQ(factory.ledger.outstanding(), 0);
    EXPECT_EQ(factory.strays, 0);

    // A pointer the ledger never handed out, or one it already took back, is
    // refused and nothing is deleted.
    FacetBuffer stranger;
    EXPECT_FALSE(factory.ledger.release(&stranger));
    FacetSource* out = factory.ledger.handOut(std::make_unique<FacetBuffer>());
    EXPECT_EQ(factory.ledger.outstanding(), 1);
    EXPECT_TRUE(factory.ledger.release(out));
    EXPECT_FALSE(factory.ledger.release(out));
    EXPECT_EQ(factory.ledger.handOut(nullptr), nullptr);
    EXPECT_EQ(factory.ledger.outstanding(), 0);
    // Sources still out when the ledger goes are deleted with it (the leak
    // checker of the sanitizer build watches this one).
    factory.ledger.handOut(std::make_unique<FacetBuffer>());
}

TEST_F(Helpers, AFacetBufferKeepsItsListClosedHoweverItIsBuilt) {
    FacetBuffer empty;
    EXPECT_EQ(empty.faceListLength(), 1);
    EXPECT_EQ(empty.faceList()[0], 0);
    EXPECT_EQ(empty.faceCount(), 0);

    FacetBuffer adopted({{0, 0, 0, 0, 0, 1, 0, 0}, {1, 0, 0, 0, 0, 1, 0, 0}, {0, 1, 0, 0, 0, 1, 0, 0}},
                        {3, 0, 1, 2}, true);  // no closing 0 given
    EXPECT_EQ(std::vector<int>(adopted.faceList(), adopted.faceList() + adopted.faceListLength()),
              (std::vector<int>{3, 0, 1, 2, 0}));
    adopted.addTriangle(2, 1, 0);
    EXPECT_EQ(adopted.faceListLength(), 9);
    EXPECT_EQ(adopted.faceList()[8], 0);
    EXPECT_EQ(adopted.faceCount(), 2);
    EXPECT_TRUE(adopted.doubleSided());
    EXPECT_EQ(adopted.vertexCount(), 3);
}

// ---- Names ----

TEST_F(Helpers, NamesCrossAsBstrsAndComeBackAsTheSameText) {
    const std::string texts[] = {"", "demo.png", "Grüße/ø/模型.png", "clef \xF0\x9D\x84\x9E"};
    for (const std::string& text : texts) {
        const pelmora::Bstr bstr(text);
        ASSERT_NE(bstr.get(), nullptr);
        EXPECT_EQ(pelmora::narrow(bstr.get()), text);
    }
    // One UTF-16 unit per BMP character, a surrogate pair beyond it.
    EXPECT_EQ(SysStringLen(pelmora::Bstr("Grüße").get()), 5u);
    EXPECT_EQ(SysStringLen(pelmora::Bstr("\xF0\x9D\x84\x9E").get()), 2u);
    // Bytes that are not UTF-8 each become U+FFFD; nothing after them is lost.
    const struct {
        const char* in;
        const char* out;
    } broken[] = {{"a\xFFz", "a\xEF\xBF\xBDz"},
                  {"\xC3", "\xEF\xBF\xBD"},
                  {"\xE2\x82z", "\xEF\xBF\xBD\xEF\xBF\xBDz"},
                  {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},       // an overlong '/'
                  {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}};  // a surrogate
    for (const auto& b : broken) EXPECT_EQ(pelmora::narrow(pelmora::Bstr(b.in).get()), b.out) << b.in;
    EXPECT_EQ(pelmora::Bstr(static_cast<const char*>(nullptr)).get(), nullptr);
    EXPECT_EQ(pelmora::narrow(nullptr), "");
    EXPECT_EQ(pelmora::validateCurrentDisplay(context, "any display"), S_OK);
}

// ---- Transforms ----

TEST_F(Helpers, TransformHelpersComposeAsAddFrameTransformDoes) {
    const Transform move = Transform::translation(10, -2, 3);
    const Transform turn = Transform::rotation(0, 0, 2, 0.5);  // the axis is normalised
    const Transform grow = Transform::scaling(2, 3, 4);

    // The rotation is the one addFrameRotation applies.
    const int reference = frame();
    ASSERT_EQ(context->addFrameRotation(reference, 0, 0, 0, 2, 0.5), S_OK);
    const int rotated = frame();
    ASSERT_EQ(pelmora::setRotation(context, rotated, 0, 0, 2, 0.5), S_OK);
    expectNear(local(rotated), local(reference));

    const int f = frame();
    ASSERT_EQ(pelmora::setTranslation(context, f, 10, -2, 3), S_OK);
    ASSERT_EQ(pelmora::setRotation(context, f, 0, 0, 2, 0.5, Combine::After), S_OK);
    expectNear(local(f), move.then(turn));
    ASSERT_EQ(pelmora::setScale(context, f, 2, 3, 4, Combine::Before), S_OK);
    expectNear(local(f), grow.then(move).then(turn), 1e-5);
    ASSERT_EQ(pelmora::setScale(context, f, 0.5), S_OK);  // replaces
    expectNear(local(f), Transform::scaling(0.5, 0.5, 0.5));

    // A child's world transform is its own, then its parent's.
    const int parent = frame();
    const int child = frame(parent);
    ASSERT_EQ(pelmora::setTransform(context, parent, turn.then(move)), S_OK);
    ASSERT_EQ(pelmora::setTransform(context, child, grow), S_OK);
    Transform world;
    ASSERT_EQ(pelmora::getWorldTransform(context, child, &world), S_OK);
    expectNear(world, grow.then(turn).then(move), 1e-5);

    // The inverse undoes it, points and directions alike.
    Transform inverse;
    ASSERT_TRUE(world.inverse(&inverse));
    expectNear(world.then(inverse), Transform{}, 1e-12);
    EXPECT_FALSE(Transform::scaling(1, 0, 1).inverse(&inverse));

    EXPECT_EQ(pelmora::setTranslation(context, 0, 1, 2, 3), E_HANDLE);
    EXPECT_EQ(pelmora::getTransform(nullptr, f, &world), E_POINTER);
}

// ---- Scene read-back ----

TEST_F(Helpers, AFrameListsItsVisualsThenItsChildrenAsTheRenderWalksThem) {
    const int root = frame();
    const int firstChild = frame(root), secondChild = frame(root);
    const int standIn = frame();  // a frame listed as a visual
    std::vector<float> vertices{0, 0, 0, 1, 0, 0, 0, 1, 0};
    std::vector<int> faces;
    pelmora::test::addArrayTriangle(faces, 0, 1, 2);
    faces.push_back(0);
    pelmora::test::SolidArrays arrays(vertices, {}, faces);
    int solid = 0, hidden = 0, symbol = 0, decal = 0;
    ASSERT_EQ(context->newSolidMesh(arrays.v(), arrays.n(), arrays.f(), 0, &solid), S_OK);
    ASSERT_EQ(context->newSolidMesh(arrays.v(), arrays.n(), arrays.f(), 0, &hidden), S_OK);
    ASSERT_EQ(context->newPreloadedBillboard(HOTSPOT_VERTEX, 0, 0, &symbol), S_OK);
    ASSERT_EQ(context->newDecal(0, 0, 1, 1, 0, &decal), S_OK);
    for (int visual : {solid, symbol, standIn, hidden, decal}) ASSERT_EQ(context->frameAddVisual(root, visual), S_OK);
    ASSERT_EQ(context->setVisible(hidden, VARIANT_FALSE), S_OK);
    ASSERT_EQ(context->setNeverRenderMesh(hidden), S_OK);
    ASSERT_EQ(context->setVisible(secondChild, 0), S_OK);

    int count = -1;
    ASSERT_EQ(PelmoraGetFrameContents(root, nullptr, 0, &count), S_OK);
    ASSERT_EQ(count, 7);
    std::vector<PelmoraVisualInfo> entries(8, PelmoraVisualInfo{-1, -1, -1});
    ASSERT_EQ(PelmoraGetFrameContents(root, entries.data(), 7, &count), S_OK);
    const int hiddenFlags = PELMORA_VISUAL_HIDDEN | PELMORA_VISUAL_NEVER_RENDER;
    const std::vector<std::tuple<int, int, int>> expected = {
        {solid, PELMORA_VISUAL_MESH, 0},          {symbol, PELMORA_VISUAL_BILLBOARD, 0},
        {standIn, PELMORA_VISUAL_FRAME, 0},       {hidden, PELMORA_VISUAL_MESH, hiddenFlags},
        {decal, PELMORA_VISUAL_DECAL, 0},         {firstChild, PELMORA_VISUAL_FRAME, 0},
        {secondChild, PELMORA_VISUAL_FRAME, PELMORA_VISUAL_HIDDEN}};
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(std::tuple(entries[i].handle, entries[i].kind, entries[i].flags), expected[i]) << "entry " << i;
    EXPECT_EQ(entries[7].handle, -1) << "nothing is written past the entries";

    // A short array gets what fits and the full count.
    std::vector<PelmoraVisualInfo> two(3, PelmoraVisualInfo{-1, -1, -1});
    ASSERT_EQ(PelmoraGetFrameContents(root, two.data(), 2, &count), S_OK);
    EXPECT_EQ(count, 7);
    EXPECT_EQ(two[1].handle, symbol);
    EXPECT_EQ(two[2].handle, -1);

    PelmoraVisualInfo info{};
    ASSERT_EQ(PelmoraGetVisualInfo(secondChild, &info), S_OK);
    EXPECT_EQ(std::tuple(info.handle, info.kind, info.flags),
              std::tuple(secondChild, int(PELMORA_VISUAL_FRAME), int(PELMORA_VISUAL_HIDDEN)));

    // Bad requests: a status and a log line, nothing written.
    testing::internal::CaptureStdout();
    EXPECT_EQ(PelmoraGetFrameContents(root, two.data(), -1, &count), E_INVALIDARG);
    EXPECT_EQ(PelmoraGetFrameContents(root, nullptr, 3, &count), E_INVALIDARG);
    EXPECT_EQ(PelmoraGetFrameContents(root, two.data(), 2, nullptr), E_POINTER);
    EXPECT_EQ(PelmoraGetFrameContents(solid, two.data(), 2, &count), E_HANDLE);
    EXPECT_EQ(PelmoraGetVisualInfo(0, &info), E_HANDLE);
    EXPECT_EQ(PelmoraGetVisualInfo(root, nullptr), E_POINTER);
    EXPECT_EQ(PelmoraGetViewportDeviation(root, nullptr), E_POINTER);
    double deviation = -1;
    EXPECT_EQ(PelmoraGetViewportDeviation(root, &deviation), E_HANDLE);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("PelmoraGetFrameContents: no room for -1 entries"), std::string::npos) << log;
    EXPECT_NE(log.find("FAILED HRESULT (0x80070006)"), std::string::npos) << log;
    EXPECT_EQ(deviation, -1);
    EXPECT_EQ(two[0].handle, solid);
}

}  // namespace
