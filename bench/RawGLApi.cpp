#include "RawGLApi.h"

#include <EGL/egl.h>

namespace pelmora::bench {

bool RawGLApi::load(std::string* missing) {
#define PELMORA_BENCH_GL_LOAD(type, name)                                \
    name = reinterpret_cast<type>(eglGetProcAddress("gl" #name));        \
    if (!name) {                                                         \
        *missing = "gl" #name;                                           \
        return false;                                                    \
    }
    PELMORA_BENCH_GL_FUNCTIONS(PELMORA_BENCH_GL_LOAD)
#undef PELMORA_BENCH_GL_LOAD
    return true;
}

}  // namespace pelmora::bench
