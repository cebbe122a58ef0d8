// One OpenGL 4.5 core context on an EGL display, without any surface: the
// device renders into framebuffer objects and reads pixels back itself.
#pragma once

#include "platform/d3d9/gl/GLApi.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <memory>
#include <string>

namespace pelmora::d3d9gl {

class GLContext {
public:
    // A robust context with reset notification where the display offers it,
    // else a plain one (robust is false then); nullptr with a reason on failure.
    static std::unique_ptr<GLContext> create(EGLDisplay display, std::string* error);
    ~GLContext();

    GLContext(const GLContext&) = delete;
    GLContext& operator=(const GLContext&) = delete;

    // Cheap when the context is already current on this thread.
    bool makeCurrent();
    // True when this context is the one this thread last made current
    // through any GLContext; asks EGL nothing. Only right where no code but
    // the devices' own can have changed the current context since.
    bool lastMadeCurrent() const;
    const GLApi& gl() const { return api_; }
    bool robust() const { return robust_; }
    EGLDisplay display() const { return display_; }

private:
    GLContext(EGLDisplay display, EGLContext context, bool robust)
        : display_(display), context_(context), robust_(robust) {}

    EGLDisplay display_;
    EGLContext context_;
    bool robust_;
    GLApi api_;
};

}  // namespace pelmora::d3d9gl
