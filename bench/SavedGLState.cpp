#include "SavedGLState.h"

namespace pelmora::bench {

SavedGLState::SavedGLState(const RawGLApi& gl) : gl_(gl) {
    gl.GetIntegerv(GL_CURRENT_PROGRAM, &program_);
    gl.GetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray_);
    gl.GetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer_);
    gl.GetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer_);
    gl.GetIntegerv(GL_VIEWPORT, viewport_);
    gl.GetIntegerv(GL_CULL_FACE_MODE, &cullFace_);
    gl.GetIntegerv(GL_DEPTH_FUNC, &depthFunc_);
    gl.GetFloatv(GL_COLOR_CLEAR_VALUE, clearColour_);
    gl.GetFloatv(GL_DEPTH_CLEAR_VALUE, &clearDepth_);
    gl.GetBooleanv(GL_DEPTH_WRITEMASK, &depthMask_);
    gl.GetBooleanv(GL_COLOR_WRITEMASK, colourMask_);
    for (size_t i = 0; i < kCapabilities.size(); ++i) enabled_[i] = gl.IsEnabled(kCapabilities[i]);
}

SavedGLState::~SavedGLState() {
    gl_.UseProgram(GLuint(program_));
    gl_.BindVertexArray(GLuint(vertexArray_));
    gl_.BindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(drawFramebuffer_));
    gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(readFramebuffer_));
    gl_.Viewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
    gl_.CullFace(GLenum(cullFace_));
    gl_.DepthFunc(GLenum(depthFunc_));
    gl_.ClearColor(clearColour_[0], clearColour_[1], clearColour_[2], clearColour_[3]);
    gl_.ClearDepthf(clearDepth_);
    gl_.DepthMask(depthMask_);
    gl_.ColorMask(colourMask_[0], colourMask_[1], colourMask_[2], colourMask_[3]);
    for (size_t i = 0; i < kCapabilities.size(); ++i)
        enabled_[i] ? gl_.Enable(kCapabilities[i]) : gl_.Disable(kCapabilities[i]);
}

}  // namespace pelmora::bench
