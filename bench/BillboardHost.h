// Case A of the billboard benchmark: what a CAD host does to show thousands
// of constraint symbols, through IDXContext: one frame per symbol, each
// holding a preloaded billboard, in one 1920x1080 viewport on an offscreen
// window whose plane puts world (x, -y) on pixel (x, y); per frame
// clearViewport, render and viewportFlip.
#pragma once

#include <pelmora/pelmora.h>

#include "BenchContext.h"
#include "platform/d3d9/d3d9.h"
#include "math/ScreenTransforms.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pelmora::d3d9gl {
class GLDevice;
}

namespace pelmora::bench {

// One symbol of the scene: its id, its anchor pixel and where it is pinned.
struct BillboardMark {
    int id;
    int anchorX, anchorY;
    int x, y;
};

// count symbols, cycling through every named id, on a grid that fills a
// width x height screen.
std::vector<BillboardMark> billboardScene(int count, UINT width, UINT height);

class BillboardHost {
public:
    static constexpr D3DCOLOR kBackground = 0xFF203040;

    // nullptr with a reason when the context, the viewport or the scene
    // cannot be made.
    static std::unique_ptr<BillboardHost> create(const std::vector<BillboardMark>& marks, UINT width,
                                                 UINT height, std::string* error);

    BillboardHost(const BillboardHost&) = delete;
    BillboardHost& operator=(const BillboardHost&) = delete;

    // clearViewport, render, viewportFlip into the cached image, then one
    // pixel of the back buffer read back, so the frame has really been drawn.
    HRESULT drawFrame();
    // The whole back buffer as 0xAARRGGBB, top row first.
    std::vector<uint32_t> readImage() const;
    // The viewport's screen arithmetic, as the raw side projects with it.
    ViewTransforms transforms() const;

    IDirect3DDevice9* device() const;
    d3d9gl::GLDevice& glDevice() const;
    std::string adapterDescription() const;

private:
    BillboardHost() = default;
    HRESULT open(const std::vector<BillboardMark>& marks, UINT width, UINT height);
    HRESULT addMark(const BillboardMark& mark);

    BenchContext bench_;
    int root_ = 0;
};

}  // namespace pelmora::bench
