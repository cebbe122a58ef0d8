#include "platform/d3d9/gl/EglAdapterList.h"

#include "core/Diagnostics.h"
#include "platform/d3d9/gl/FormatTable.h"
#include "platform/d3d9/gl/GLContext.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace pelmora::d3d9gl {
namespace {

constexpr EGLint kMaxDevices = 16;
constexpr GLsizei kProbeSize = 4;

bool stringListHas(const char* list, const char* name) {
    if (!list) return false;
    const size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at; at = std::strstr(at + 1, name))
        if ((at == list || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0')) return true;
    return false;
}

std::string glString(const GLApi& gl, GLenum name) {
    const auto* text = reinterpret_cast<const char*>(gl.GetString(name));
    return text ? std::string(text) : std::string();
}

bool framebufferAccepts(const GLApi& gl, GLenum attachment, GLuint texture, GLuint renderbuffer) {
    GLuint framebuffer = 0;
    gl.CreateFramebuffers(1, &framebuffer);
    if (texture) gl.NamedFramebufferTexture(framebuffer, attachment, texture, 0);
    if (renderbuffer)
        gl.NamedFramebufferRenderbuffer(framebuffer, attachment, GL_RENDERBUFFER, renderbuffer);
    const bool complete =
        gl.CheckNamedFramebufferStatus(framebuffer, GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    gl.DeleteFramebuffers(1, &framebuffer);
    return complete;
}

uint8_t probeColourFormat(const GLApi& gl, const FormatInfo& info) {
    // A layout GL lacks would be stored converted, at the layout's own poor
    // precision; not offering it lets texture creation pick a better format,
    // as on the hardware the engine was made for.
    if (info.uploadAsArgb) return 0;
    gl.GetError();
    GLuint texture = 0;
    gl.CreateTextures(GL_TEXTURE_2D, 1, &texture);
    gl.TextureStorage2D(texture, 1, info.internalFormat, kProbeSize, kProbeSize);
    uint8_t support = 0;
    if (gl.GetError() == GL_NO_ERROR) {
        support |= kFormatTexture | kFormatFilter;
        if (framebufferAccepts(gl, GL_COLOR_ATTACHMENT0, texture, 0))
            support |= kFormatRenderTarget | kFormatBlend;
    }
    gl.DeleteTextures(1, &texture);
    return support;
}

uint8_t probeDepthFormat(const GLApi& gl, const FormatInfo& info) {
    gl.GetError();
    GLuint renderbuffer = 0;
    gl.CreateRenderbuffers(1, &renderbuffer);
    gl.NamedRenderbufferStorage(renderbuffer, info.internalFormat, kProbeSize, kProbeSize);
    const GLenum attachment = info.stencilBits ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
    const bool usable = gl.GetError() == GL_NO_ERROR &&
                        framebufferAccepts(gl, attachment, 0, renderbuffer);
    gl.DeleteRenderbuffers(1, &renderbuffer);
    return usable ? kFormatDepthStencil : 0;
}

void probeFormats(const GLApi& gl, EglAdapter* adapter) {
    size_t count = 0;
    const FormatInfo* table = formatTable(&count);
    adapter->formatSupport.assign(count, 0);
    for (size_t i = 0; i < count; ++i) {
        if (table[i].kind == FormatKind::Colour)
            adapter->formatSupport[i] = probeColourFormat(gl, table[i]);
        else if (table[i].kind == FormatKind::Depth)
            adapter->formatSupport[i] = probeDepthFormat(gl, table[i]);
    }
}

void probeLimits(const GLApi& gl, EglAdapter* adapter) {
    adapter->renderer = glString(gl, GL_RENDERER);
    adapter->vendor = glString(gl, GL_VENDOR);
    adapter->version = glString(gl, GL_VERSION);
    gl.GetIntegerv(GL_MAX_TEXTURE_SIZE, &adapter->maxTextureSize);
    gl.GetIntegerv(GL_MAX_SAMPLES, &adapter->maxSamples);
    gl.GetFloatv(GL_ALIASED_LINE_WIDTH_RANGE, adapter->lineWidthRange);
    gl.GetFloatv(GL_SMOOTH_LINE_WIDTH_RANGE, adapter->smoothLineWidthRange);
    gl.GetFloatv(GL_POINT_SIZE_RANGE, adapter->pointSizeRange);
}

bool probeAdapter(EglAdapter* adapter) {
    EGLint major = 0, minor = 0;
    if (!eglInitialize(adapter->display, &major, &minor)) return false;
    std::string error;
    std::unique_ptr<GLContext> context = GLContext::create(adapter->display, &error);
    if (!context) {
        logFormat("Direct3D9: skipping an EGL device: %s\n", error.c_str());
        return false;
    }
    adapter->robust = context->robust();
    probeLimits(context->gl(), adapter);
    probeFormats(context->gl(), adapter);
    return true;
}

}  // namespace

uint8_t EglAdapter::supportOf(D3DFORMAT format) const {
    size_t count = 0;
    const FormatInfo* table = formatTable(&count);
    for (size_t i = 0; i < count && i < formatSupport.size(); ++i)
        if (table[i].format == format) return formatSupport[i];
    return 0;
}

const std::vector<EglAdapter>& EglAdapterList::adapters() {
    static std::once_flag once;
    static std::vector<EglAdapter> list;
    std::call_once(once, [] { list = enumerate(); });
    return list;
}

std::vector<EglAdapter> EglAdapterList::enumerate() {
    std::vector<EglAdapter> found;
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!stringListHas(clientExtensions, "EGL_EXT_device_enumeration") ||
        !stringListHas(clientExtensions, "EGL_EXT_platform_device")) {
        logMessage("Direct3D9: EGL offers no device enumeration; no adapters\n");
        return found;
    }
    auto queryDevices =
        reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    auto queryDeviceString = reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(
        eglGetProcAddress("eglQueryDeviceStringEXT"));
    auto platformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    EGLDeviceEXT devices[kMaxDevices];
    EGLint count = 0;
    if (!queryDevices || !queryDeviceString || !platformDisplay ||
        !queryDevices(kMaxDevices, devices, &count))
        return found;
    for (EGLint i = 0; i < count; ++i) {
        EglAdapter adapter;
        adapter.device = devices[i];
        const char* deviceExtensions = queryDeviceString(devices[i], EGL_EXTENSIONS);
        adapter.software = stringListHas(deviceExtensions, "EGL_MESA_device_software");
        if (stringListHas(deviceExtensions, "EGL_EXT_device_drm")) {
            const char* node = queryDeviceString(devices[i], EGL_DRM_DEVICE_FILE_EXT);
            if (node) adapter.driverNode = node;
        }
        adapter.display = platformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
        if (adapter.display != EGL_NO_DISPLAY && probeAdapter(&adapter))
            found.push_back(std::move(adapter));
    }
    std::stable_partition(found.begin(), found.end(),
                          [](const EglAdapter& adapter) { return !adapter.software; });
    return found;
}

}  // namespace pelmora::d3d9gl
