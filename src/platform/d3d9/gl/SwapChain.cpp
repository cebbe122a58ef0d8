#include "platform/d3d9/gl/SwapChain.h"

#include "platform/d3d9/gl/DesktopMode.h"
#include "platform/d3d9/gl/EglAdapterList.h"
#include "platform/d3d9/gl/GLSurface.h"
#include "platform/win/Window.h"

#include <vector>

namespace pelmora::d3d9gl {
namespace {

float depthBiasScale(const FormatInfo& depth) {
    // A bias is in depth units; GL's polygon offset is in steps of the buffer.
    return depth.floatDepth ? 8388608.0f /* 2^23 */ : float(uint64_t(1) << depth.depthBits);
}

}  // namespace

std::unique_ptr<SwapChain> SwapChain::create(GLDevice* device, const EglAdapter& adapter,
                                             D3DPRESENT_PARAMETERS* parameters, HRESULT* status) {
    const D3DDISPLAYMODE desktop = desktopMode();
    if (parameters->BackBufferWidth == 0) parameters->BackBufferWidth = desktop.Width;
    if (parameters->BackBufferHeight == 0) parameters->BackBufferHeight = desktop.Height;
    if (parameters->BackBufferFormat == D3DFMT_UNKNOWN) parameters->BackBufferFormat = desktop.Format;
    if (parameters->BackBufferCount == 0) parameters->BackBufferCount = 1;
    std::unique_ptr<SwapChain> chain(new SwapChain(device, *parameters));
    *status = chain->build(adapter);
    if (FAILED(*status)) return nullptr;
    return chain;
}

HRESULT SwapChain::build(const EglAdapter& adapter) {
    const D3DPRESENT_PARAMETERS& p = parameters_;
    const FormatInfo* colour = findFormat(p.BackBufferFormat);
    if (!colour || !(adapter.supportOf(p.BackBufferFormat) & kFormatRenderTarget))
        return device_->invalidCall("CreateDevice: the back-buffer format cannot be rendered to");
    const GLsizei samples = p.MultiSampleType == D3DMULTISAMPLE_NONE ? 0 : GLsizei(p.MultiSampleType);
    if (p.MultiSampleType == D3DMULTISAMPLE_NONMASKABLE || samples > adapter.maxSamples)
        return device_->notAvailable("CreateDevice: the multisample type is not offered");
    const FormatInfo* depth = nullptr;
    if (p.EnableAutoDepthStencil) {
        depth = findFormat(p.AutoDepthStencilFormat);
        if (!depth || !(adapter.supportOf(p.AutoDepthStencilFormat) & kFormatDepthStencil))
            return device_->invalidCall("CreateDevice: the depth format is not available");
    }
    const GLApi& gl = device_->gl();
    GLuint texture = 0;
    gl.CreateTextures(GL_TEXTURE_2D, 1, &texture);
    gl.TextureStorage2D(texture, 1, colour->internalFormat, GLsizei(p.BackBufferWidth),
                        GLsizei(p.BackBufferHeight));
    auto image = std::make_unique<GLImage>(device_, *colour, p.BackBufferWidth, p.BackBufferHeight,
                                           D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET, texture, 0);
    GLSurface::Options options;
    options.owner = DeviceChild::Owner::Device;
    options.ownedTexture = texture;
    options.lockable = (p.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0;
    backBuffer_ = new GLSurface(device_, std::move(image), options);
    target_.framebuffer = backBuffer_->image().framebuffer();
    target_.width = p.BackBufferWidth;
    target_.height = p.BackBufferHeight;
    if (samples > 0) buildSampleBuffers(*colour, depth, samples);
    if (depth) {
        gl.CreateRenderbuffers(1, &depthBuffer_);
        if (samples > 0)
            gl.NamedRenderbufferStorageMultisample(depthBuffer_, samples, depth->internalFormat,
                                                   GLsizei(p.BackBufferWidth), GLsizei(p.BackBufferHeight));
        else
            gl.NamedRenderbufferStorage(depthBuffer_, depth->internalFormat, GLsizei(p.BackBufferWidth),
                                        GLsizei(p.BackBufferHeight));
        gl.NamedFramebufferRenderbuffer(target_.framebuffer,
                                        depth->stencilBits ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                        GL_RENDERBUFFER, depthBuffer_);
        target_.hasDepth = true;
        target_.hasStencil = depth->stencilBits > 0;
        target_.depthBiasScale = depthBiasScale(*depth);
    }
    if (gl.CheckNamedFramebufferStatus(target_.framebuffer, GL_DRAW_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        return device_->notAvailable("CreateDevice: the back buffer cannot be drawn into");
    return D3D_OK;
}

void SwapChain::buildSampleBuffers(const FormatInfo& colour, const FormatInfo*, GLsizei samples) {
    const GLApi& gl = device_->gl();
    gl.CreateRenderbuffers(1, &sampleColour_);
    gl.NamedRenderbufferStorageMultisample(sampleColour_, samples, colour.internalFormat,
                                           GLsizei(parameters_.BackBufferWidth),
                                           GLsizei(parameters_.BackBufferHeight));
    gl.CreateFramebuffers(1, &sampleFramebuffer_);
    gl.NamedFramebufferRenderbuffer(sampleFramebuffer_, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, sampleColour_);
    target_.framebuffer = sampleFramebuffer_;
}

void SwapChain::resolve() {
    if (!sampleFramebuffer_) return;
    const GLint width = GLint(parameters_.BackBufferWidth), height = GLint(parameters_.BackBufferHeight);
    device_->gl().BlitNamedFramebuffer(sampleFramebuffer_, backBuffer_->image().framebuffer(), 0, 0, width,
                                       height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

SwapChain::~SwapChain() {
    if (backBuffer_) backBuffer_->releaseBinding();
    const GLApi& gl = device_->gl();
    if (depthBuffer_) gl.DeleteRenderbuffers(1, &depthBuffer_);
    if (sampleFramebuffer_) {
        device_->cache().forgetFramebuffer(sampleFramebuffer_);
        gl.DeleteFramebuffers(1, &sampleFramebuffer_);
    }
    if (sampleColour_) gl.DeleteRenderbuffers(1, &sampleColour_);
}

HRESULT SwapChain::present(const RECT* source, const RECT* destination, HWND window) {
    if (!window) window = parameters_.hDeviceWindow;
    int clientWidth = 0, clientHeight = 0;
    if (!win::getClientSize(window, &clientWidth, &clientHeight))
        return device_->invalidCall("Present: no such window");
    GLImage& image = backBuffer_->image();
    const RECT from = source ? *source : image.whole();
    if (!image.contains(from)) return device_->invalidCall("Present: source rectangle outside the back buffer");
    const RECT to = destination ? *destination : RECT{0, 0, clientWidth, clientHeight};
    const int width = from.right - from.left, height = from.bottom - from.top;
    resolve();
    // Kept between presents: a frame-sized buffer made and freed every frame
    // would have the allocator hand the memory back and fault it in again.
    presentPixels_.resize(size_t(width) * height);
    image.readArgb(from, presentPixels_.data(), size_t(width) * sizeof(uint32_t));
    return win::presentPixels(window, to, presentPixels_.data(), width, height, width);
}

}  // namespace pelmora::d3d9gl
