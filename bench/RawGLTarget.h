// The device's context and back buffer as the raw-GL baselines see them: the
// entry points, the back buffer's framebuffer, the pipeline state of an
// opaque lit frame, vertex arrays in the device's vertex layout, and the
// reads that end a frame or fetch its picture.
#pragma once

#include "RawGLApi.h"
#include "platform/d3d9/d3d9.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pelmora::d3d9gl {
class GLDevice;
}

namespace pelmora::bench {

class RawGLTarget {
public:
    // Makes the device's context current and loads the entry points; false
    // with a reason when either fails.
    bool open(d3d9gl::GLDevice& device, UINT width, UINT height, std::string* error);

    const RawGLApi& gl() const { return gl_; }
    bool makeCurrent() const;
    UINT width() const { return width_; }
    UINT height() const { return height_; }

    // Binds the back buffer and sets depth test and writes, culling as
    // Direct3D's cull mode says, no blending, the clear values, then clears.
    void beginFrame(D3DCOLOR clear, DWORD cullMode) const;
    // A vertex array over 32-byte position-normal-texture vertices.
    GLuint makeVertexArray(GLuint vertices, GLuint indices) const;
    // One pixel back, so the frame has really been drawn.
    void readPixel() const;
    // The whole back buffer as 0xAARRGGBB, top row first.
    std::vector<uint32_t> readImage() const;
    // The same into width x height pixels the caller holds.
    void readInto(uint32_t* pixels) const;
    GLuint framebuffer() const { return framebuffer_; }
    // The back buffer's GL internal format, for images it is copied into.
    GLenum colourFormat() const { return colourFormat_; }

private:
    d3d9gl::GLDevice* device_ = nullptr;
    RawGLApi gl_;
    GLuint framebuffer_ = 0;
    GLenum colourFormat_ = GL_RGBA8;
    UINT width_ = 0, height_ = 0;
};

}  // namespace pelmora::bench
