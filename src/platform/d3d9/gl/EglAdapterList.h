// The adapters: one per EGL device that can make an OpenGL 4.5 core context,
// hardware devices first and Mesa's software rasterizer last. Each is probed
// once per process for its renderer string, limits and usable formats.
#pragma once

#include "platform/d3d9/d3d9types.h"
#include "platform/d3d9/gl/StateNames.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pelmora::d3d9gl {

enum FormatSupport : uint8_t {
    kFormatTexture = 1,
    kFormatRenderTarget = 2,
    kFormatDepthStencil = 4,
    kFormatBlend = 8,
    kFormatFilter = 16,
};

struct EglAdapter {
    EGLDeviceEXT device = nullptr;
    EGLDisplay display = EGL_NO_DISPLAY;
    bool software = false;
    bool robust = false;
    std::string renderer;
    std::string vendor;
    std::string version;
    std::string driverNode;  // DRM node when EGL tells it, else empty
    int maxTextureSize = 0;
    int maxSamples = 0;
    float lineWidthRange[2] = {1, 1};
    float smoothLineWidthRange[2] = {1, 1};
    float pointSizeRange[2] = {1, 1};
    // Indexed like formatTable(): the FormatSupport bits of each row.
    std::vector<uint8_t> formatSupport;

    D3DDEVTYPE deviceType() const { return software ? D3DDEVTYPE_SW : D3DDEVTYPE_HAL; }
    d3d9state::AdapterLimits limits() const {
        return {software, maxTextureSize, smoothLineWidthRange[1], pointSizeRange[1]};
    }
    uint8_t supportOf(D3DFORMAT format) const;
};

class EglAdapterList {
public:
    // The process-wide list, built on first use; displays stay initialised
    // for the life of the process because contexts of every device share them.
    static const std::vector<EglAdapter>& adapters();

private:
    static std::vector<EglAdapter> enumerate();
};

}  // namespace pelmora::d3d9gl
