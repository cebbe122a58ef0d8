// Case A of the line benchmark: the line scene built and drawn the way a CAD
// host does it, through IDXContext: a frame tree of wire meshes made with
// newWireMesh, one orthographic 1920x1080 viewport on an offscreen window,
// the line width set on the root frame, and per frame clearViewport, render
// and viewportFlip.
#pragma once

#include "BenchContext.h"
#include "LineScene.h"

#include <memory>
#include <string>

namespace pelmora::bench {

class LineHost {
public:
    // nullptr with a reason when the context, the viewport or the scene cannot be made.
    static std::unique_ptr<LineHost> create(const LineScene& scene, UINT width, UINT height, std::string* error);

    HRESULT setLineWidth(int width);
    HRESULT drawFrame() { return bench_.drawFrame(root_); }
    const BenchContext& bench() const { return bench_; }

private:
    explicit LineHost(const LineScene& scene) : scene_(scene) {}
    HRESULT buildTree();
    HRESULT addMesh(const LineMesh& mesh, int rowFrame);

    const LineScene& scene_;
    BenchContext bench_;
    IDXContext* context_ = nullptr;
    int root_ = 0;
};

}  // namespace pelmora::bench
