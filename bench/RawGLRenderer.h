// Case B of the draw benchmark, the floor the device is measured against:
// the same GL buffers drawn on the device's own context and back buffer with
// one hand-written program doing the same per-vertex directional lighting,
// one uniform update per body for its world matrix.
#pragma once

#include "DeviceRenderer.h"
#include "RawGLApi.h"

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
    std::vector<uint32_t> readImage();

private:
    RawGLRenderer(DeviceRenderer& device, const ReferenceScene& scene) : device_(device), scene_(scene) {}
    bool build(UINT width, UINT height, std::string* error);
    GLuint compile(GLenum stage, const char* source, std::string* error);
    void setConstants(UINT width, UINT height);
    void makeVertexArrays();
    void setPipelineState();

    DeviceRenderer& device_;
    const ReferenceScene& scene_;
    RawGLApi gl_;
    GLuint program_ = 0;
    GLint worldLocation_ = -1;
    GLuint framebuffer_ = 0;
    UINT width_ = 0, height_ = 0;
    std::vector<GLuint> vertexArrays_;
    std::vector<GLsizei> indexCounts_;
};

}  // namespace pelmora::bench
