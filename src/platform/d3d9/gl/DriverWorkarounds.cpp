#include "platform/d3d9/gl/DriverWorkarounds.h"

#include "core/Diagnostics.h"

#include <cstdlib>
#include <cstring>

namespace pelmora::d3d9gl {
namespace {

struct Workaround {
    const char* name;
    bool DriverWorkarounds::*flag;
    const char* renderers[4];  // substrings of the renderer string that need it
};

const Workaround kWorkarounds[] = {
    {"liftForTopLeftTies", &DriverWorkarounds::liftForTopLeftTies, {"llvmpipe", "softpipe", nullptr}},
};

bool rendererMatches(const Workaround& workaround, const std::string& renderer) {
    for (const char* const* name = workaround.renderers; *name; ++name)
        if (renderer.find(*name) != std::string::npos) return true;
    return false;
}

// "name=0,name=1": the switches the environment sets.
void applyOverrides(DriverWorkarounds* workarounds, const char* overrides) {
    for (const Workaround& workaround : kWorkarounds) {
        const char* at = std::strstr(overrides, workaround.name);
        if (!at) continue;
        const char* value = at + std::strlen(workaround.name);
        if (*value != '=' || (value[1] != '0' && value[1] != '1')) {
            logFormat("Direct3D9: ignoring malformed workaround switch for %s\n", workaround.name);
            continue;
        }
        workarounds->*workaround.flag = value[1] == '1';
    }
}

}  // namespace

DriverWorkarounds DriverWorkarounds::forRenderer(const std::string& renderer) {
    DriverWorkarounds workarounds;
    for (const Workaround& workaround : kWorkarounds)
        workarounds.*workaround.flag = rendererMatches(workaround, renderer);
    if (const char* overrides = std::getenv("PELMORA_GL_WORKAROUNDS")) applyOverrides(&workarounds, overrides);
    return workarounds;
}

}  // namespace pelmora::d3d9gl
