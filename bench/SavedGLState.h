// The GL state a raw-GL frame changes on the device's context, saved before
// the frame and put back after it, so the device's shadow of that state
// stays true and the device never notices the raw frames in between.
#pragma once

#include "RawGLApi.h"

#include <array>

namespace pelmora::bench {

class SavedGLState {
public:
    explicit SavedGLState(const RawGLApi& gl);
    ~SavedGLState();

    SavedGLState(const SavedGLState&) = delete;
    SavedGLState& operator=(const SavedGLState&) = delete;

private:
    static constexpr std::array<GLenum, 4> kCapabilities = {GL_DEPTH_TEST, GL_CULL_FACE, GL_BLEND, GL_SCISSOR_TEST};

    const RawGLApi& gl_;
    GLint program_ = 0, vertexArray_ = 0, drawFramebuffer_ = 0, readFramebuffer_ = 0;
    GLint viewport_[4] = {};
    GLint cullFace_ = 0, depthFunc_ = 0;
    GLfloat clearColour_[4] = {}, clearDepth_ = 1.0f;
    GLboolean depthMask_ = GL_TRUE, colourMask_[4] = {};
    std::array<GLboolean, kCapabilities.size()> enabled_{};
};

}  // namespace pelmora::bench
