// What the benchmarks' host side shares: a context with one viewport on an
// offscreen window, the frame a host draws (clearViewport, render,
// viewportFlip into the cached image, then one pixel of the back buffer read
// back so the frame has really been drawn), the picture read back, and the
// device behind it for the raw side to draw on.
#pragma once

#include <pelmora/pelmora.h>

#include "platform/d3d9/d3d9.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pelmora::d3d9gl {
class GLDevice;
}

namespace pelmora::bench {

class BenchContext {
public:
    BenchContext() = default;
    ~BenchContext();
    BenchContext(const BenchContext&) = delete;
    BenchContext& operator=(const BenchContext&) = delete;

    // Context, window, initialize (hardware allowed) and the viewport.
    HRESULT open(UINT width, UINT height);

    IDXContext* context() const { return context_; }
    int viewport() const { return viewport_; }

    HRESULT drawFrame(int root);
    // The whole back buffer as 0xAARRGGBB, top row first.
    std::vector<uint32_t> readImage() const;

    IDirect3DDevice9* device() const;
    d3d9gl::GLDevice& glDevice() const;
    std::string adapterDescription() const;

    // A frame's 12-value transform array for the matrix (the caller destroys it).
    static SAFEARRAY* transformArray(const D3DMATRIX& m);

private:
    IDXContext* context_ = nullptr;
    int window_ = 0;
    int viewport_ = 0;
    IDirect3DSurface9* backBuffer_ = nullptr;
};

}  // namespace pelmora::bench
