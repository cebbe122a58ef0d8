// Billboards and decals through IDXContext on the real device. Billboard
// viewports map world (x, -y) to pixel (x, y), so a frame at (x, -y, z)
// pins its billboards' anchors to pixel (x, y); the background is a dark
// slate and the frames are white, so the atlas shows in its own colours.
#include <pelmora/pelmora.h>

#include "support/MeshTestSupport.h"
#include "host/DXContext.h"
#include "image/SymbolAtlas.h"
#include "platform/d3d9/gl/GLTestHooks.h"
#include "platform/d3dx/D3DXFontGlyphs.h"
#include "platform/d3dx/D3DXSymbolAtlas.h"
#include "support/D3D9TestDevice.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace pelmora::test;
using pelmora::SymbolAtlas;

constexpr uint32_t kBackground = 0x203040, kWhite = 0xFFFFFF, kRed = 0xFF0000, kGreen = 0x00FF00,
                   kBlue = 0x0000FF;
constexpr int kTolerance = 2;

// A host bitmap painted by a function of (x, y).
int hostBitmap(int width, int height, const std::function<uint32_t(int, int)>& paint) {
    std::vector<uint32_t> pixels(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels[size_t(y) * width + x] = 0xFF000000u | paint(x, y);
    return PelmoraCreateBitmap(width, height, pixels.data());
}

bool bitmapAlive(int bitmap) {
    int width = 0, height = 0;
    const uint32_t* pixels = nullptr;
    return PelmoraGetBitmapImage(bitmap, &width, &height, &pixels) == S_OK;
}

// The colour an atlas texel shows on the background through a white frame.
uint32_t atlasColour(int x, int y) {
    static const std::vector<uint8_t> indices = pelmora::d3dx::symbolAtlasIndices();
    switch (indices[size_t(y) * pelmora::d3dx::kAtlasSize + x]) {
        case pelmora::d3dx::kAtlasWhite: return kWhite;
        case pelmora::d3dx::kAtlasLightGrey: return 0xC0C0C0;
        case pelmora::d3dx::kAtlasDarkGrey: return 0x808080;
        default: return kBackground;
    }
}

// Pixels of the image over the region (left, top) of size x size that differ
// from what `expected` says, and from `ring` in a one-pixel ring around it;
// "" when all agree, else the first few.
std::string regionMismatches(const Image& image, int left, int top, int size,
                             const std::function<uint32_t(int, int)>& expected, uint32_t ring = kBackground) {
    std::string report;
    int wrong = 0;
    for (int y = top - 1; y <= top + size; ++y)
        for (int x = left - 1; x <= left + size; ++x) {
            if (x < 0 || y < 0 || x >= image.width || y >= image.height) continue;
            const bool inside = x >= left && x < left + size && y >= top && y < top + size;
            const uint32_t want = inside ? expected(x - left, y - top) : ring;
            std::string why;
            if (colourNear(image.at(x, y), want, kTolerance, &why)) continue;
            if (++wrong <= 4) report += "(" + std::to_string(x) + ", " + std::to_string(y) + "): " + why + "; ";
        }
    return wrong ? std::to_string(wrong) + " pixels wrong: " + report : "";
}

// The symbol's cell, magnified by scale.
std::function<uint32_t(int, int)> cellOf(int id, int scale = 1) {
    const pelmora::d3dx::AtlasCell cell = pelmora::d3dx::atlasCellOf(id);
    return [cell, scale](int x, int y) { return atlasColour(cell.x + x / scale, cell.y + y / scale); };
}

struct View {
    int window = 0;
    int viewport = 0;
    int width = 0, height = 0;
};

class DXContextPictures : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(PelmoraCreateContext(&context), S_OK);
        VARIANT_BOOL noHardware = VARIANT_TRUE;
        ASSERT_EQ(context->initialize(VARIANT_FALSE, nullptr, &noHardware), S_OK);
        ASSERT_EQ(context->newFrame(0, &root), S_OK);
        ASSERT_EQ(context->setFrameColor(root, int(0xFFFFFFFFu)), S_OK);
        view = openView(context, 128, 128);
    }
    void TearDown() override {
        for (const View& v : views) {
            if (v.viewport) context->releaseHandle(v.viewport);
            PelmoraDestroyWindow(v.window);
        }
        if (context) context->Release();
    }

    // A viewport whose plane puts world (x, -y) on pixel (x, y), lit from the camera.
    View openView(IDXContext* on, int width, int height) {
        View v{PelmoraCreateOffscreenWindow(width, height), 0, width, height};
        EXPECT_EQ(on->newViewport(v.window, 0, VARIANT_TRUE, width, height, &v.viewport), S_OK);
        EXPECT_EQ(on->setViewportBackground(v.viewport, int(kBackground), int(kBackground)), S_OK);
        EXPECT_EQ(on->setViewportPlane(v.viewport, 0, width, -height, 0), S_OK);
        int light = 0;
        EXPECT_EQ(on->viewportAddDirectionalLight(v.viewport, int(0xFFFFFFFFu), 0, 0, -1, &light), S_OK);
        if (on == context) views.push_back(v);
        return v;
    }
    // A new frame under parent (root by default) at world (x, -y, z), holding the visual.
    int place(int visual, double x, double y, double z = 0, int parent = 0) {
        int frame = 0;
        EXPECT_EQ(context->newFrame(parent ? parent : root, &frame), S_OK);
        SafeArrayPtr transform = makeDoubleArray(translationValues(x, -y, z));
        SAFEARRAY* raw = transform.get();
        EXPECT_EQ(context->addFrameTransform(frame, 0, &raw), S_OK);
        if (visual) {
            EXPECT_EQ(context->frameAddVisual(frame, visual), S_OK);
        }
        return frame;
    }
    int symbol(int id, int anchorX = 0, int anchorY = 0) {
        int billboard = 0;
        EXPECT_EQ(context->newPreloadedBillboard(PreloadedTextureIDs(id), anchorX, anchorY, &billboard), S_OK);
        return billboard;
    }
    Image draw(const View& v, const char* pngName = nullptr, IDXContext* on = nullptr, int frame = 0) {
        on = on ? on : context;
        EXPECT_EQ(on->clearViewport(v.viewport), S_OK);
        EXPECT_EQ(on->render(v.viewport, frame ? frame : root, VARIANT_FALSE, VARIANT_FALSE), S_OK);
        EXPECT_EQ(on->viewportFlip(v.viewport, VARIANT_TRUE), S_OK);
        EXPECT_EQ(on->viewportPresent(v.viewport, 0, 0, v.width, v.height), S_OK);
        const Image image = D3D9TestDevice::windowImage(v.window);
        if (pngName) D3D9TestDevice::savePng(image, pngName);
        return image;
    }
    Image draw(const char* pngName = nullptr) { return draw(view, pngName); }
    pelmora::DXContext* engine() const { return static_cast<pelmora::DXContext*>(context); }

    IDXContext* context = nullptr;
    int root = 0;
    View view;
    std::vector<View> views;
};

// ---- Symbols from the atlas ----

TEST_F(DXContextPictures, SymbolsShowTheirAtlasCellWithTheScaledAnchorOnTheFrameOrigin) {
    double x = 0, y = 0, z = 0, w = 0;
    ASSERT_EQ(context->viewportTransform(view.viewport, 100, -50, 0, &x, &y, &z, &w), S_OK);
    ASSERT_EQ((std::tuple{x, y}), (std::tuple{100.0, 50.0}));
    // Anchor (4, 4) on (100, 50): the small padlock covers x 96 to 104 and y
    // 46 to 54, the big one 96 to 112 and 46 to 62; four times as large, the
    // anchor is (16, 16).
    const struct {
        int id, size, scale;
    } cases[] = {{CONSTRAINT_FIXED, 8, 1}, {CONSTRAINT_BIG_FIXED, 16, 1}, {HOTSPOT_HOTPOINT, 8, 1},
                 {DESIGN_POINT, 16, 1}, {CONSTRAINT_PARALLEL, 8, 4}};
    for (const auto& c : cases) {
        const int billboard = symbol(c.id, 4, 4);
        ASSERT_EQ(context->setMeshScale(billboard, c.scale), S_OK);
        const int frame = place(billboard, 100, 50);
        const Image image = draw(c.id == CONSTRAINT_FIXED ? "billboard_fixed" : c.scale > 1 ? "billboard_scaled" : nullptr);
        const int reach = 4 * c.scale;
        EXPECT_EQ(regionMismatches(image, 100 - reach, 50 - reach, c.size * c.scale, cellOf(c.id, c.scale)), "")
            << "id " << c.id;
        ASSERT_EQ(context->frameDeleteChild(root, frame), S_OK);
    }
}

TEST_F(DXContextPictures, SymbolsAtTheViewportEdgesShowTheirVisibleParts) {
    // Four corners of the 128 x 128 viewport, each symbol half outside.
    const struct {
        int id, x, y;
    } cases[] = {{CONSTRAINT_BIG_VERTICAL, -8, -8}, {CONSTRAINT_BIG_HORIZONTAL, 120, -8},
                 {CONSTRAINT_BIG_TANGENT, -8, 120}, {CONSTRAINT_BIG_SYMMETRIC, 120, 120}};
    for (const auto& c : cases) place(symbol(c.id), c.x, c.y);
    place(symbol(CONSTRAINT_TANGENT), 128, 60);  // its left edge on the right edge: nothing to see
    const Image image = draw("billboard_edges");
    for (const auto& c : cases)
        EXPECT_EQ(regionMismatches(image, c.x, c.y, 16, cellOf(c.id)), "") << "id " << c.id;
    for (int y = 58; y < 70; ++y) EXPECT_PIXEL_NEAR(image, 127, y, kBackground, kTolerance);
}

TEST_F(DXContextPictures, HiddenBillboardsDrawOnlyInAForcedRender) {
    const int billboard = symbol(CONSTRAINT_EQUAL);
    place(billboard, 60, 60);
    ASSERT_EQ(context->setVisible(billboard, VARIANT_FALSE), S_OK);
    EXPECT_EQ(regionMismatches(draw(), 60, 60, 8, [](int, int) { return kBackground; }), "");
    ASSERT_EQ(context->render(view.viewport, root, VARIANT_TRUE, VARIANT_FALSE), S_OK);
    ASSERT_EQ(context->viewportFlip(view.viewport, VARIANT_TRUE), S_OK);
    ASSERT_EQ(context->viewportPresent(view.viewport, 0, 0, 128, 128), S_OK);
    EXPECT_EQ(regionMismatches(D3D9TestDevice::windowImage(view.window), 60, 60, 8, cellOf(CONSTRAINT_EQUAL)), "");
}

// ---- Host bitmaps ----

TEST_F(DXContextPictures, AWideHostBitmapShowsAsTwoStripsSideBySideWithATransparentMargin) {
    // Columns 0-255 red and 256-299 green, a white first and last column in
    // each, so the cut shows to the pixel.
    const auto paint = [](int x, int) {
        return x == 0 || x == 255 || x == 256 || x == 299 ? kWhite : x < 256 ? kRed : kGreen;
    };
    int billboard = 0;
    ASSERT_EQ(context->newBillboard(hostBitmap(300, 100, paint), 0, 0, &billboard), S_OK);
    const View wide = openView(context, 320, 128);
    place(billboard, 8, 10);
    const Image image = draw(wide, "billboard_wide_bitmap");
    const struct {
        int x;
        uint32_t colour;
    } probes[] = {{7, kBackground},  {8, kWhite},   {9, kRed},   {262, kRed},        {263, kWhite},
                  {264, kWhite},     {265, kGreen}, {306, kGreen}, {307, kWhite},    {308, kBackground},
                  {319, kBackground}};
    for (const auto& p : probes)
        for (int y : {10, 60, 109}) EXPECT_PIXEL_NEAR(image, p.x, y, p.colour, kTolerance);
    EXPECT_PIXEL_NEAR(image, 100, 9, kBackground, kTolerance);
    EXPECT_PIXEL_NEAR(image, 100, 110, kBackground, kTolerance);
}

TEST_F(DXContextPictures, NewBillboardAndNewDecalTakeTheBitmapAndDeleteTheHostsHandle) {
    const std::function<HRESULT(int, int*)> makers[] = {
        [&](int bitmap, int* out) { return context->newBillboard(bitmap, 1, 2, out); },
        [&](int bitmap, int* out) { return context->newDecal(bitmap, 0, 1, 1, 0, out); },
    };
    for (const auto& make : makers) {
        const int bitmap = hostBitmap(4, 4, [](int, int) { return kRed; });
        int handle = 0;
        EXPECT_EQ(make(bitmap, nullptr), E_POINTER);
        EXPECT_TRUE(bitmapAlive(bitmap)) << "nothing is taken by a call that fails";
        ASSERT_EQ(make(bitmap, &handle), S_OK);
        EXPECT_NE(handle, 0);
        EXPECT_FALSE(bitmapAlive(bitmap));
        int width = 0, height = 0;
        const uint32_t* pixels = nullptr;
        EXPECT_EQ(PelmoraGetBitmapImage(bitmap, &width, &height, &pixels), E_HANDLE);
        // A handle that names no bitmap is refused; 0 stands for none.
        testing::internal::CaptureStdout();
        handle = -1;
        EXPECT_EQ(make(bitmap, &handle), E_HANDLE);
        EXPECT_EQ(handle, -1);
        EXPECT_NE(testing::internal::GetCapturedStdout().find("is not a bitmap"), std::string::npos);
        EXPECT_EQ(make(0, &handle), S_OK);
        place(handle, 10, 10);
    }
    EXPECT_EQ(regionMismatches(draw(), 0, 0, 64, [](int, int) { return kBackground; }), "")
        << "visuals without a bitmap draw nothing";
}

TEST_F(DXContextPictures, PreloadedIdsOutsideTheAtlasAreRefused) {
    int billboard = 0;
    for (int id : {22, 55, 79}) EXPECT_EQ(context->newPreloadedBillboard(PreloadedTextureIDs(id), 0, 0, &billboard), S_OK);
    testing::internal::CaptureStdout();
    for (int id : {-1, 80}) EXPECT_EQ(context->newPreloadedBillboard(PreloadedTextureIDs(id), 0, 0, &billboard), E_INVALIDARG);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("names no symbol"), std::string::npos);
}

// ---- Depth and alpha ----

TEST_F(DXContextPictures, ASolidInFrontOfTheAnchorHidesTheBillboardAndOneBehindItDoesNot) {
    // Two red squares, the left one in front of the anchors, the right one behind.
    const auto square = [&](float x0, float x1, float z) {
        const std::vector<float> v = {x0, -90, z, x1, -90, z, x1, -10, z, x0, -10, z};
        std::vector<int> faces;
        addArrayTriangle(faces, 0, 1, 2);
        addArrayTriangle(faces, 0, 2, 3);
        faces.push_back(0);
        SolidArrays arrays(v, {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, faces);
        int mesh = 0;
        EXPECT_EQ(context->newSolidMesh(arrays.v(), arrays.n(), arrays.f(), VARIANT_FALSE, &mesh), S_OK);
        const int frame = place(mesh, 0, 0);
        EXPECT_EQ(context->setFrameColor(frame, int(0xFFFF0000u)), S_OK);
    };
    square(10, 60, 0.5f);
    square(68, 118, -0.5f);
    place(symbol(CONSTRAINT_BIG_EQUAL), 27, 42);
    place(symbol(CONSTRAINT_BIG_EQUAL), 85, 42);
    const Image image = draw("billboard_depth");
    EXPECT_EQ(regionMismatches(image, 27, 42, 16, [](int, int) { return kRed; }, kRed), "") << "hidden in front";
    EXPECT_EQ(regionMismatches(image, 85, 42, 16, [&](int x, int y) {
                  const uint32_t c = cellOf(CONSTRAINT_BIG_EQUAL)(x, y);
                  return c == kBackground ? kRed : c;
              }, kRed),
              "")
        << "drawn over the one behind";
}

TEST_F(DXContextPictures, ABillboardLeavesTheSceneAlphaReferenceAsItFoundIt) {
    // A frame of alpha 14: the symbol shows whole (its alpha is its
    // texture's), and the faint solid drawn after it still passes the
    // scene's alpha test, which a billboard's own reference of 15 would fail.
    int frame = 0;
    ASSERT_EQ(context->newFrame(root, &frame), S_OK);
    ASSERT_EQ(context->setFrameColor(frame, int(0x0EFFFFFFu)), S_OK);
    place(symbol(CONSTRAINT_BIG_INTERSECTION), 20, 20, 0, frame);
    const std::vector<float> v = {60, -100, 0, 120, -100, 0, 120, -60, 0, 60, -60, 0};
    std::vector<int> faces;
    addArrayTriangle(faces, 0, 1, 2);
    addArrayTriangle(faces, 0, 2, 3);
    faces.push_back(0);
    SolidArrays arrays(v, {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, faces);
    int mesh = 0;
    ASSERT_EQ(context->newSolidMesh(arrays.v(), arrays.n(), arrays.f(), VARIANT_FALSE, &mesh), S_OK);
    place(mesh, 0, 0, 0, frame);
    const Image image = draw();
    EXPECT_EQ(regionMismatches(image, 20, 20, 16, cellOf(CONSTRAINT_BIG_INTERSECTION)), "");
    EXPECT_GT(red(image.at(90, 80)), red(kBackground) + 8) << "the faint solid shows";
}

// ---- Device changes ----

TEST_F(DXContextPictures, TheAtlasIsMadeAgainOnTheNewDeviceAfterALossAndAtEachSwitchOfDevice) {
    place(symbol(CONSTRAINT_BIG_CONCENTRIC), 40, 40);
    const Image before = draw();
    int loads = SymbolAtlas::shared().loadCount();
    ASSERT_TRUE(pelmora::d3d9gl::forceDeviceLoss(engine()->device()));
    testing::internal::CaptureStdout();
    ASSERT_EQ(context->viewportPresent(view.viewport, 0, 0, 128, 128), S_OK);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Creating device"), std::string::npos);
    ASSERT_EQ(engine()->device()->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(SymbolAtlas::shared().texture(), nullptr) << "let go with the old device";
    const Image after = draw("billboard_after_device_loss");
    EXPECT_EQ(SymbolAtlas::shared().loadCount(), loads + 1);
    EXPECT_TRUE(SymbolAtlas::shared().madeOn(engine()->device()));
    EXPECT_EQ(regionMismatches(after, 40, 40, 16, cellOf(CONSTRAINT_BIG_CONCENTRIC)), "");
    EXPECT_EQ(after.pixels, before.pixels);

    // And at each switch between two contexts' devices.
    IDXContext* other = nullptr;
    ASSERT_EQ(PelmoraCreateContext(&other), S_OK);
    VARIANT_BOOL noHardware = VARIANT_TRUE;
    ASSERT_EQ(other->initialize(VARIANT_FALSE, nullptr, &noHardware), S_OK);
    const View second = openView(other, 64, 64);
    int otherRoot = 0, otherFrame = 0, otherSymbol = 0;
    ASSERT_EQ(other->newFrame(0, &otherRoot), S_OK);
    ASSERT_EQ(other->setFrameColor(otherRoot, int(0xFFFFFFFFu)), S_OK);
    ASSERT_EQ(other->newFrame(otherRoot, &otherFrame), S_OK);
    ASSERT_EQ(other->newPreloadedBillboard(CONSTRAINT_BIG_TANGENT, 0, 0, &otherSymbol), S_OK);
    ASSERT_EQ(other->frameAddVisual(otherFrame, otherSymbol), S_OK);
    SafeArrayPtr transform = makeDoubleArray(translationValues(20, -20, 0));
    SAFEARRAY* raw = transform.get();
    ASSERT_EQ(other->addFrameTransform(otherFrame, 0, &raw), S_OK);
    IDirect3DDevice9* otherDevice = static_cast<pelmora::DXContext*>(other)->device();
    ASSERT_NE(otherDevice, engine()->device());

    loads = SymbolAtlas::shared().loadCount();
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(regionMismatches(draw(), 40, 40, 16, cellOf(CONSTRAINT_BIG_CONCENTRIC)), "") << round;
        EXPECT_TRUE(SymbolAtlas::shared().madeOn(engine()->device()));
        EXPECT_EQ(regionMismatches(draw(second, nullptr, other, otherRoot), 20, 20, 16, cellOf(CONSTRAINT_BIG_TANGENT)), "")
            << round;
        EXPECT_TRUE(SymbolAtlas::shared().madeOn(otherDevice));
    }
    EXPECT_GE(SymbolAtlas::shared().loadCount(), loads + 3);
    // Its device goes with the other context: the atlas does not outlive it.
    other->releaseHandle(second.viewport);
    other->Release();
    PelmoraDestroyWindow(second.window);
    EXPECT_EQ(SymbolAtlas::shared().texture(), nullptr);
    EXPECT_EQ(regionMismatches(draw(), 40, 40, 16, cellOf(CONSTRAINT_BIG_CONCENTRIC)), "");
}

// ---- Queries ----

TEST_F(DXContextPictures, BillboardsArePickedInsideTheirImageAroundTheAnchorAndDecalsNever) {
    const int billboard = symbol(CONSTRAINT_BIG_COINCIDENT, 4, 6);  // x from -4 to 12, y from -6 to 10
    int decal = 0;
    ASSERT_EQ(context->newDecal(hostBitmap(8, 8, [](int, int) { return kRed; }), -1, 1, 1, -1, &decal), S_OK);
    const auto pick = [&](int mesh, int x, int y) {
        double hit[3] = {7, 7, 7};
        VARIANT_BOOL isHit = 7;
        EXPECT_EQ(context->pickMesh(mesh, 0, view.viewport, x, y, 0, 0, 5, 0, 0, -1, 1, 1, &hit[0], &hit[1], &hit[2], &isHit),
                  S_OK);
        if (isHit) {
            EXPECT_EQ((std::tuple{hit[0], hit[1], hit[2]}), (std::tuple{0.0, 0.0, 0.0}));
        }
        return isHit == VARIANT_TRUE;
    };
    // Strictly inside: a point on the border misses.
    const struct {
        double scale;
        int x, y;
        bool hit;
    } cases[] = {
        {1, 0, 0, true},   {1, -3, -5, true}, {1, 11, 9, true},  {1, 11, -5, true},
        {1, -4, 0, false}, {1, 12, 0, false}, {1, 0, -6, false}, {1, 0, 10, false},
        {2, -7, 19, true}, {2, 23, 19, true}, {2, -8, 0, false}, {2, 24, 0, false},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(context->setMeshScale(billboard, c.scale), S_OK);
        EXPECT_EQ(pick(billboard, c.x, c.y), c.hit) << "scale " << c.scale << " at " << c.x << ", " << c.y;
    }
    EXPECT_FALSE(pick(decal, 0, 0));
    for (int mesh : {billboard, decal}) {
        SAFEARRAY* vertices = reinterpret_cast<SAFEARRAY*>(uintptr_t{0x10});
        SAFEARRAY* faces = vertices;
        EXPECT_EQ(context->getMeshData(mesh, &vertices, &faces), S_OK);
        EXPECT_EQ((std::tuple{vertices, faces}), (std::tuple{nullptr, nullptr}));
    }
}

// ---- Decals ----

class DXContextDecals : public DXContextPictures {
protected:
    // Where frame point (x, y, 0) of the frame shows, in pixels.
    std::pair<int, int> pixelOf(int frame, double x, double y) {
        SAFEARRAY* world = nullptr;
        EXPECT_EQ(context->getFrameWorldTransform(frame, &world), S_OK);
        const std::vector<double> m = takeDoubleArray(world);
        const double wx = x * m[0] + y * m[3] + m[9], wy = x * m[1] + y * m[4] + m[10], wz = x * m[2] + y * m[5] + m[11];
        double sx = 0, sy = 0, sz = 0, sw = 0;
        EXPECT_EQ(context->viewportTransform(view.viewport, wx, wy, wz, &sx, &sy, &sz, &sw), S_OK);
        return {int(sx), int(sy)};
    }
    // Quadrants of a 64 x 32 picture: red, green above; blue, white below.
    static uint32_t quadrant(int x, int y) { return y < 16 ? (x < 32 ? kRed : kGreen) : (x < 32 ? kBlue : kWhite); }
};

TEST_F(DXContextDecals, APictureLandsOnItsRectangleInATiltedFrameAndAReversedOneMirrorsIt) {
    ASSERT_EQ(context->setViewportPlane(view.viewport, -1, 1, -1, 1), S_OK);
    for (bool reversed : {false, true}) {
        int decal = 0;
        const double left = reversed ? 0.6 : -0.6, right = -left;
        ASSERT_EQ(context->newDecal(hostBitmap(64, 32, quadrant), left, 0.3, right, -0.3, &decal), S_OK);
        int frame = 0;
        ASSERT_EQ(context->newFrame(root, &frame), S_OK);
        ASSERT_EQ(context->addFrameRotation(frame, 0, 1, 0, 0, 0.6), S_OK);
        ASSERT_EQ(context->addFrameRotation(frame, 0, 0, 0, 1, 0.4), S_OK);
        ASSERT_EQ(context->frameAddVisual(frame, decal), S_OK);
        const Image image = draw(reversed ? "decal_reversed" : "decal_tilted");
        // Quadrant centres of the picture, in the frame, and what shows there.
        const double sign = reversed ? -1 : 1;
        const struct {
            double x, y;
            uint32_t colour;
        } probes[] = {{-0.3 * sign, 0.15, kRed}, {0.3 * sign, 0.15, kGreen}, {-0.3 * sign, -0.15, kBlue},
                      {0.3 * sign, -0.15, kWhite}, {0.0, 0.4, kBackground}, {0.75, 0.0, kBackground},
                      {-0.75, 0.0, kBackground},   {0.0, -0.4, kBackground}};
        for (const auto& p : probes) {
            const auto [px, py] = pixelOf(frame, p.x, p.y);
            SCOPED_TRACE(testing::Message() << "frame point " << p.x << ", " << p.y);
            EXPECT_PIXEL_NEAR(image, px, py, p.colour, kTolerance);
        }
        ASSERT_EQ(context->frameDeleteChild(root, frame), S_OK);
    }
}

TEST_F(DXContextDecals, ADecalIsHiddenByTheModelInFrontOfIt) {
    int decal = 0;
    ASSERT_EQ(context->newDecal(hostBitmap(16, 16, [](int, int) { return kGreen; }), 10, -10, 110, -110, &decal), S_OK);
    place(decal, 0, 0, -0.5);
    place(symbol(CONSTRAINT_BIG_EQUAL), 20, 20, 0);  // in front of the picture
    const Image image = draw("decal_under_billboard");
    EXPECT_EQ(regionMismatches(image, 20, 20, 16, [](int x, int y) {
                  const uint32_t c = cellOf(CONSTRAINT_BIG_EQUAL)(x, y);
                  return c == kBackground ? kGreen : c;
              }, kGreen),
              "");
    EXPECT_PIXEL_NEAR(image, 100, 100, kGreen, kTolerance);
    EXPECT_PIXEL_NEAR(image, 5, 5, kBackground, kTolerance);
}

// ---- A contact sheet for people ----

// Every named symbol at 1x and 4x with its id beside it (the labels are host
// bitmaps drawn with the library's font, shown at twice their size), on the
// default slate and on a light grey, written to images/symbol_contact_sheet.png.
TEST_F(DXContextPictures, ContactSheetOfEverySymbolAt1xAnd4x) {
    constexpr int kCellWidth = 104, kCellHeight = 84, kColumns = 8;
    std::vector<int> ids;
    for (int id = 0; id <= 54; ++id)
        if (id <= 21 || id >= 32) ids.push_back(id);
    const int rows = int(ids.size() + kColumns - 1) / kColumns;
    const View sheet = openView(context, kCellWidth * kColumns, kCellHeight * rows);
    const auto label = [](int id) {
        const std::string text = std::to_string(id);
        using namespace pelmora::d3dx;
        return hostBitmap(int(text.size()) * kCellWidth, kGlyphRows, [&](int x, int y) -> uint32_t {
            const size_t i = size_t(x / pelmora::d3dx::kCellWidth);
            const int column = x % pelmora::d3dx::kCellWidth;
            if (i >= text.size() || column >= kGlyphColumns) return 0;
            return (glyphRows(text[i])[y] >> (kGlyphColumns - 1 - column)) & 1 ? 0xFFD060 : 0;
        });
    };
    for (size_t i = 0; i < ids.size(); ++i) {
        const int left = int(i % kColumns) * kCellWidth, top = int(i / kColumns) * kCellHeight;
        int text = 0;
        ASSERT_EQ(context->newBillboard(label(ids[i]), 0, 0, &text), S_OK);
        ASSERT_EQ(context->setMeshScale(text, 2.0), S_OK);
        place(text, left + 4, top + 4);
        place(symbol(ids[i]), left + 6, top + 36);
        const int big = symbol(ids[i]);
        ASSERT_EQ(context->setMeshScale(big, 4.0), S_OK);
        place(big, left + 32, top + 12);
    }
    const Image image = draw(sheet, "symbol_contact_sheet");
    for (size_t i = 0; i < ids.size(); ++i) {
        const int left = int(i % kColumns) * kCellWidth, top = int(i / kColumns) * kCellHeight;
        const int size = ids[i] < 32 ? 8 : 16;
        EXPECT_EQ(regionMismatches(image, left + 6, top + 36, size, cellOf(ids[i])), "") << "id " << ids[i];
        EXPECT_EQ(regionMismatches(image, left + 32, top + 12, size * 4, cellOf(ids[i], 4)), "") << "id " << ids[i];
    }
}

}  // namespace
