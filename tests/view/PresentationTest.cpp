#include "view/ViewportRig.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

namespace pelmora {
namespace {

using test::FakeDevice;
using test::FakeSurface;
using test::captureOutput;

constexpr HWND kWindow = 77;
constexpr uint32_t kRendered = 0xFF336699u;
constexpr uint32_t kOverdrawn = 0xFF000000u;

// A desktop-sized back buffer, as device creation makes it.
struct BackBuffer {
    FakeSurface* surface = new FakeSurface(1920, 1080, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, 0);
    ~BackBuffer() { surface->Release(); }
};

class PresentationTest : public testing::Test {
protected:
    // The device the next re-creation swaps in.
    FakeDevice& replaceDevice() {
        rig.host.nextDevice = &replacement;
        return replacement;
    }

    test::ViewportRig rig;
    FakeDevice replacement;  // outlives the viewport that may end up on it
    std::unique_ptr<DXViewport> viewport = rig.make(800, 600, kWindow);
    BackBuffer back;
};

TEST_F(PresentationTest, PresentsTheTopLeftPartTheSizeOfTheHostRectangle) {
    ASSERT_EQ(viewport->viewportPresent(100, 100, 500, 400), S_OK);
    ASSERT_EQ(rig.device.presented.size(), 1u);
    const RECT& source = rig.device.presented[0].source;
    EXPECT_EQ((std::vector<LONG>{source.left, source.top, source.right, source.bottom}),
              (std::vector<LONG>{0, 0, 400, 300}));
    EXPECT_EQ(rig.device.presented[0].window, kWindow);
}

TEST_F(PresentationTest, ARectangleWhoseSizeALongCannotHoldIsRefused) {
    const RECT cases[] = {
        {-2, 0, INT_MAX, 10},
        {0, INT_MIN, 10, INT_MAX},
        {INT_MAX, 0, INT_MIN, 10},
    };
    for (const RECT& r : cases) {
        HRESULT status = S_OK;
        const std::string log = captureOutput(
            [&] { status = viewport->viewportPresent(r.left, r.top, r.right, r.bottom); });
        EXPECT_EQ(status, E_INVALIDARG) << r.left << " " << r.right;
        EXPECT_NE(log.find("its size does not fit"), std::string::npos) << log;
    }
    EXPECT_TRUE(rig.device.presented.empty());
}

TEST_F(PresentationTest, LostDeviceIsCreatedAgainAndPresentedOnceMore) {
    FakeDevice& next = replaceDevice();
    rig.device.presentResults = {D3DERR_DEVICELOST};
    const std::string log =
        captureOutput([&] { EXPECT_EQ(viewport->viewportPresent(0, 0, 800, 600), S_OK); });
    EXPECT_EQ((std::tuple{rig.host.recreations, rig.device.presented.size(), next.presented.size()}),
              (std::tuple{1, size_t(1), size_t(1)}));
    EXPECT_NE(log.find("Evicting device from video memory\n"), std::string::npos) << log;
    EXPECT_TRUE(viewport->cachedImage().evicted());
    EXPECT_TRUE(viewport->gradient().hasBuffer()) << "background rebuilt on the new device";
}

TEST_F(PresentationTest, SecondLossIsTracedAndReturned) {
    rig.device.presentResults = {D3DERR_DEVICELOST, D3DERR_DEVICELOST};
    HRESULT status = S_OK;
    const std::string log =
        captureOutput([&] { status = viewport->viewportPresent(0, 0, 800, 600); });
    EXPECT_EQ(status, D3DERR_DEVICELOST);
    EXPECT_NE(log.find("FAILED HRESULT (0x88760868) [2152] in DXViewport.cpp"), std::string::npos)
        << log;
}

TEST_F(PresentationTest, RenderTargetCacheSavesAndRestoresTheViewportsPart) {
    back.surface->fill(kRendered);
    ASSERT_EQ(viewport->viewportFlip(back.surface, true), S_OK);
    back.surface->fill(kOverdrawn);
    ASSERT_EQ(viewport->viewportFlip(back.surface, false), S_OK);
    EXPECT_EQ(rig.count("StretchRect"), 2u);
    EXPECT_EQ(back.surface->pixel(799, 599), kRendered);
    EXPECT_EQ(back.surface->pixel(800, 0), kOverdrawn) << "outside the viewport";
}

// (The cached image surviving eviction and a new device is checked by its
// pixels through IDXContext: ALargerViewportCreatesTheDeviceAgain...)
TEST_F(PresentationTest, EvictedImageIsEvictedOnceAndNextSaveTakesTheBackBuffersShape) {
    captureOutput([&] { viewport->releaseDeviceResources(&rig.device); });
    D3DSURFACE_DESC desc{};
    viewport->cachedImage().surface()->GetDesc(&desc);
    EXPECT_EQ((std::pair{desc.Width, desc.Pool}), (std::pair{800u, D3DPOOL_SYSTEMMEM}));
    const std::string log =
        captureOutput([&] { viewport->releaseDeviceResources(&rig.device); });
    EXPECT_EQ(log.find("Evicting"), std::string::npos) << log;

    back.surface->fill(kRendered);
    ASSERT_EQ(viewport->viewportFlip(back.surface, true), S_OK);
    viewport->cachedImage().surface()->GetDesc(&desc);
    EXPECT_EQ((std::pair{desc.Width, desc.Height}), (std::pair{1920u, 1080u}));
    EXPECT_EQ(rig.count("GetRenderTargetData"), 2u) << "eviction, then the save";
}

TEST_F(PresentationTest, NoCachedImageMeansNothingToRestoreAndAFreshOneOnSave) {
    test::ViewportRig other;
    other.device.renderTargetResult = E_FAIL;  // not checked: the viewport has no image
    auto bare = other.make();
    ASSERT_EQ(bare->cachedImage().surface(), nullptr);
    EXPECT_EQ(bare->viewportFlip(back.surface, false), S_OK);
    EXPECT_TRUE(other.calls({"UpdateSurface", "StretchRect"}).empty());
    EXPECT_EQ(bare->viewportFlip(back.surface, true), S_OK);
    ASSERT_NE(bare->cachedImage().surface(), nullptr);
    EXPECT_FALSE(bare->cachedImage().inVideoMemory());
}

TEST_F(PresentationTest, SurfaceDCIsLentFromTheBackBuffer) {
    HDC dc = 0;
    ASSERT_EQ(viewport->getSurfaceDC(back.surface, &dc), S_OK);
    EXPECT_EQ((std::pair{dc, back.surface->dcsOut}), (std::pair{FakeSurface::kDC, 1}));
    EXPECT_EQ(viewport->releaseSurfaceDC(back.surface, dc), S_OK);
    EXPECT_EQ(back.surface->dcsOut, 0);
    HDC untouched = 5;
    EXPECT_EQ(viewport->getSurfaceDC(nullptr, &untouched), S_OK);
    EXPECT_EQ(untouched, 5);
    captureOutput(
        [&] { EXPECT_EQ(viewport->releaseSurfaceDC(back.surface, 9), D3DERR_INVALIDCALL); });
}

}  // namespace
}  // namespace pelmora
