// Case B of the draw benchmark, the floor the device is measured against:
// the same GL buffers drawn on the device's own context and back buffer with
// the raw program (one directional light, per-vertex lighting), one uniform
// update per body for its world matrix.
#pragma once

#include "DeviceRenderer.h"
#include "RawGLProgram.h"
#include "RawGLTarget.h"

#include <memory>
#include <string>
#include <vector>

namespace pelmora::bench {

class RawGLRenderer {
public:
    static std::unique_ptr<RawGLRenderer> create(DeviceRenderer& device, const ReferenceScene& scene,
                                                 UINT width, UINT height, std::string* error);
    ~RawGLRenderer();

    RawGLRenderer(const RawGLRenderer&) = delete;
    RawGLRenderer& operator=(const RawGLRenderer&) = delete;

    // Clear, draw every body and read one pixel back. The device's GL state is
    // left as it was, so the device's shadow of it stays true.
    void drawFrame();
    // The whole back buffer as 0xAARRGGBB, top row first.
    std::vector<uint32_t> readImage() const { return target_.readImage(); }

private:
    RawGLRenderer(DeviceRenderer& device, const ReferenceScene& scene) : device_(device), scene_(scene) {}
    bool build(UINT width, UINT height, std::string* error);
    void makeVertexArrays();

    DeviceRenderer& device_;
    const ReferenceScene& scene_;
    RawGLTarget target_;
    std::unique_ptr<RawGLProgram> program_;
    std::vector<GLuint> vertexArrays_;
    std::vector<GLsizei> indexCounts_;
};

}  // namespace pelmora::bench
