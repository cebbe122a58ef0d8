#include "RawGLTarget.h"

#include "SavedGLState.h"

#include "platform/d3d9/gl/GLDevice.h"
#include "platform/d3d9/gl/GLImage.h"
#include "platform/d3d9/gl/GLSurface.h"

namespace pelmora::bench {
namespace {

constexpr GLuint kPositionLocation = 0;
constexpr GLuint kNormalLocation = 1;
constexpr GLuint kNormalOffset = 12;
constexpr GLsizei kVertexStride = 32;
constexpr float kChannelScale = 1.0f / 255.0f;

}  // namespace

bool RawGLTarget::open(d3d9gl::GLDevice& device, UINT width, UINT height, std::string* error) {
    device_ = &device;
    if (!device.makeCurrent()) {
        *error = "the device's context cannot be made current";
        return false;
    }
    std::string missing;
    if (!gl_.load(&missing)) {
        *error = "OpenGL entry point missing: " + missing;
        return false;
    }
    IDirect3DSurface9* backBuffer = nullptr;
    if (FAILED(device.GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)) || !backBuffer) {
        *error = "the device has no back buffer";
        return false;
    }
    d3d9gl::GLImage& image = static_cast<d3d9gl::GLSurface*>(backBuffer)->image();
    framebuffer_ = image.framebuffer();
    colourFormat_ = GLenum(image.format().internalFormat);
    backBuffer->Release();
    width_ = width;
    height_ = height;
    return true;
}

bool RawGLTarget::makeCurrent() const { return device_ && device_->makeCurrent(); }

void RawGLTarget::beginFrame(D3DCOLOR clear, DWORD cullMode) const {
    gl_.BindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_);
    gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    gl_.Viewport(0, 0, GLsizei(width_), GLsizei(height_));
    gl_.Enable(GL_DEPTH_TEST);
    gl_.DepthFunc(GL_LEQUAL);
    gl_.DepthMask(GL_TRUE);
    gl_.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    // Front faces are clockwise on this context: Direct3D's CULL_CW culls
    // GL's front faces, CULL_CCW its back faces.
    if (cullMode == D3DCULL_NONE) {
        gl_.Disable(GL_CULL_FACE);
    } else {
        gl_.Enable(GL_CULL_FACE);
        gl_.CullFace(cullMode == D3DCULL_CW ? GL_FRONT : GL_BACK);
    }
    gl_.Disable(GL_BLEND);
    gl_.Disable(GL_SCISSOR_TEST);
    gl_.ClearColor(float((clear >> 16) & 0xFF) * kChannelScale, float((clear >> 8) & 0xFF) * kChannelScale,
                   float(clear & 0xFF) * kChannelScale, float(clear >> 24) * kChannelScale);
    gl_.ClearDepthf(1.0f);
    gl_.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

GLuint RawGLTarget::makeVertexArray(GLuint vertices, GLuint indices) const {
    GLuint array = 0;
    gl_.CreateVertexArrays(1, &array);
    gl_.VertexArrayVertexBuffer(array, 0, vertices, 0, kVertexStride);
    gl_.VertexArrayElementBuffer(array, indices);
    for (GLuint location : {kPositionLocation, kNormalLocation}) {
        gl_.EnableVertexArrayAttrib(array, location);
        gl_.VertexArrayAttribFormat(array, location, 3, GL_FLOAT, GL_FALSE,
                                    location == kNormalLocation ? kNormalOffset : 0);
        gl_.VertexArrayAttribBinding(array, location, 0);
    }
    return array;
}

void RawGLTarget::readPixel() const {
    uint32_t pixel = 0;
    gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    gl_.ReadPixels(0, 0, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE, &pixel);
}

std::vector<uint32_t> RawGLTarget::readImage() const {
    std::vector<uint32_t> pixels(size_t(width_) * height_);
    readInto(pixels.data());
    return pixels;
}

void RawGLTarget::readInto(uint32_t* pixels) const {
    makeCurrent();
    SavedGLState saved(gl_);
    gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    // Rows come bottom-up in GL terms, which with the device's upper-left
    // origin is the top row first.
    gl_.ReadPixels(0, 0, GLsizei(width_), GLsizei(height_), GL_BGRA, GL_UNSIGNED_BYTE, pixels);
}

}  // namespace pelmora::bench
