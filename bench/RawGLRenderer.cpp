#include "RawGLRenderer.h"

#include "SavedGLState.h"

#include "platform/d3d9/gl/GLDevice.h"
#include "platform/d3d9/gl/GLIndexBuffer.h"
#include "platform/d3d9/gl/GLVertexBuffer.h"

namespace pelmora::bench {

std::unique_ptr<RawGLRenderer> RawGLRenderer::create(DeviceRenderer& device, const ReferenceScene& scene,
                                                     UINT width, UINT height, std::string* error) {
    std::unique_ptr<RawGLRenderer> renderer(new RawGLRenderer(device, scene));
    if (!renderer->build(width, height, error)) return nullptr;
    return renderer;
}

bool RawGLRenderer::build(UINT width, UINT height, std::string* error) {
    if (!target_.open(device_.glDevice(), width, height, error)) return false;
    program_ = RawGLProgram::create(target_.gl(), error);
    if (!program_) return false;
    // Everything but the world matrix is the same for the whole frame.
    program_->setCamera(scene_.view, scene_.projection, width, height);
    program_->setLight(scene_.light, scene_.ambient);
    program_->setMaterial(scene_.material);
    makeVertexArrays();
    return true;
}

// One vertex array per body over the very buffers the device draws from.
void RawGLRenderer::makeVertexArrays() {
    for (const DeviceBody& body : device_.bodies()) {
        const GLuint vertices = static_cast<d3d9gl::GLVertexBuffer*>(body.vertices)->storage().bufferForDraw();
        const GLuint indices = static_cast<d3d9gl::GLIndexBuffer*>(body.indices)->storage().bufferForDraw();
        vertexArrays_.push_back(target_.makeVertexArray(vertices, indices));
        indexCounts_.push_back(GLsizei(body.triangleCount * 3));
    }
}

void RawGLRenderer::drawFrame() {
    target_.makeCurrent();
    const RawGLApi& gl = target_.gl();
    SavedGLState saved(gl);
    target_.beginFrame(scene_.background, D3DCULL_CW);
    program_->use();
    const std::vector<Body>& bodies = scene_.bodies;
    for (size_t i = 0; i < vertexArrays_.size(); ++i) {
        program_->setWorld(bodies[i].world);
        gl.BindVertexArray(vertexArrays_[i]);
        gl.DrawElements(GL_TRIANGLES, indexCounts_[i], GL_UNSIGNED_SHORT, nullptr);
    }
    target_.readPixel();
}

RawGLRenderer::~RawGLRenderer() {
    if (!target_.makeCurrent()) return;
    const RawGLApi& gl = target_.gl();
    if (!vertexArrays_.empty()) gl.DeleteVertexArrays(GLsizei(vertexArrays_.size()), vertexArrays_.data());
    program_.reset();
}

}  // namespace pelmora::bench
