#include "platform/d3d9/gl/GLApi.h"

#include <EGL/egl.h>

#include <cstring>

namespace pelmora::d3d9gl {

bool GLApi::load(std::string* missing) {
#define PELMORA_GL_LOAD_POINTER(type, name)                                          \
    name = reinterpret_cast<type>(eglGetProcAddress("gl" #name));                    \
    if (!name) {                                                                     \
        if (missing) *missing = "gl" #name;                                          \
        return false;                                                                \
    }
    PELMORA_GL_FUNCTIONS(PELMORA_GL_LOAD_POINTER)
#undef PELMORA_GL_LOAD_POINTER
    return true;
}

bool GLApi::hasExtension(const char* name) const {
    GLint count = 0;
    GetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const auto* extension = reinterpret_cast<const char*>(GetStringi(GL_EXTENSIONS, i));
        if (extension && std::strcmp(extension, name) == 0) return true;
    }
    return false;
}

}  // namespace pelmora::d3d9gl
