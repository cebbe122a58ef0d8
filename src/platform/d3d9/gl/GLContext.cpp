#include "platform/d3d9/gl/GLContext.h"

#include <cstring>
#include <vector>

namespace pelmora::d3d9gl {
namespace {

// What this thread last made current through a GLContext (or found current).
thread_local EGLContext tLastMadeCurrent = EGL_NO_CONTEXT;

constexpr EGLint kMajorVersion = 4;
constexpr EGLint kMinorVersion = 5;

bool displayHasExtension(EGLDisplay display, const char* name) {
    const char* list = eglQueryString(display, EGL_EXTENSIONS);
    if (!list) return false;
    const size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at; at = std::strstr(at + 1, name))
        if ((at == list || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0')) return true;
    return false;
}

std::vector<EGLint> contextAttributes(bool robust) {
    std::vector<EGLint> attributes = {EGL_CONTEXT_MAJOR_VERSION_KHR, kMajorVersion,
                                      EGL_CONTEXT_MINOR_VERSION_KHR, kMinorVersion,
                                      EGL_CONTEXT_OPENGL_PROFILE_MASK_KHR,
                                      EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT_KHR};
    if (robust) {
        attributes.insert(attributes.end(),
                          {EGL_CONTEXT_OPENGL_ROBUST_ACCESS_EXT, EGL_TRUE,
                           EGL_CONTEXT_OPENGL_RESET_NOTIFICATION_STRATEGY_EXT,
                           EGL_LOSE_CONTEXT_ON_RESET_EXT});
    }
    attributes.push_back(EGL_NONE);
    return attributes;
}

// A configuration is only needed where the display cannot make contexts without one.
EGLConfig anyConfig(EGLDisplay display) {
    if (displayHasExtension(display, "EGL_KHR_no_config_context")) return EGL_NO_CONFIG_KHR;
    const EGLint wanted[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint found = 0;
    if (!eglChooseConfig(display, wanted, &config, 1, &found) || found == 0) return nullptr;
    return config;
}

}  // namespace

std::unique_ptr<GLContext> GLContext::create(EGLDisplay display, std::string* error) {
    if (!displayHasExtension(display, "EGL_KHR_surfaceless_context")) {
        *error = "EGL display lacks EGL_KHR_surfaceless_context";
        return nullptr;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        *error = "eglBindAPI(EGL_OPENGL_API) failed";
        return nullptr;
    }
    const EGLConfig config = anyConfig(display);
    bool robust = displayHasExtension(display, "EGL_EXT_create_context_robustness");
    EGLContext context = EGL_NO_CONTEXT;
    if (robust) context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes(true).data());
    if (context == EGL_NO_CONTEXT) {
        robust = false;
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes(false).data());
    }
    if (context == EGL_NO_CONTEXT) {
        *error = "eglCreateContext for OpenGL 4.5 core failed (EGL error " +
                 std::to_string(eglGetError()) + ")";
        return nullptr;
    }
    std::unique_ptr<GLContext> made(new GLContext(display, context, robust));
    std::string missing;
    if (!made->makeCurrent()) {
        *error = "eglMakeCurrent failed";
        return nullptr;
    }
    if (!made->api_.load(&missing)) {
        *error = "OpenGL entry point missing: " + missing;
        return nullptr;
    }
    return made;
}

GLContext::~GLContext() {
    if (eglGetCurrentContext() == context_)
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    // EGL may hand the same handle to a later context.
    if (tLastMadeCurrent == context_) tLastMadeCurrent = EGL_NO_CONTEXT;
    eglDestroyContext(display_, context_);
}

bool GLContext::makeCurrent() {
    if (eglGetCurrentContext() != context_ &&
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_) != EGL_TRUE) {
        tLastMadeCurrent = EGL_NO_CONTEXT;
        return false;
    }
    tLastMadeCurrent = context_;
    return true;
}

bool GLContext::lastMadeCurrent() const { return tLastMadeCurrent == context_; }

}  // namespace pelmora::d3d9gl
