// The back buffer and its automatic depth buffer, as one framebuffer the
// device draws into, and presentation of the back buffer to a window.
#pragma once

#include "platform/d3d9/gl/DrawPipeline.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace pelmora::d3d9gl {

class GLDevice;
class GLSurface;
struct FormatInfo;
struct EglAdapter;

class SwapChain {
public:
    // Fills in the presentation parameters Direct3D would (format and size
    // defaults); nullptr with a logged reason when the request cannot be met.
    static std::unique_ptr<SwapChain> create(GLDevice* device, const EglAdapter& adapter,
                                             D3DPRESENT_PARAMETERS* parameters, HRESULT* status);
    ~SwapChain();

    SwapChain(const SwapChain&) = delete;
    SwapChain& operator=(const SwapChain&) = delete;

    GLSurface* backBuffer() const { return backBuffer_; }
    const RenderTarget& renderTarget() const { return target_; }
    const D3DPRESENT_PARAMETERS& parameters() const { return parameters_; }

    HRESULT present(const RECT* source, const RECT* destination, HWND window);
    // With a multisampled back buffer the device draws into sample buffers
    // of their own; this resolves them into the back buffer every reader
    // sees. Nothing to do without multisampling.
    void resolve();

private:
    SwapChain(GLDevice* device, const D3DPRESENT_PARAMETERS& parameters)
        : device_(device), parameters_(parameters) {}
    HRESULT build(const EglAdapter& adapter);
    // The sample buffers the device draws into instead of the back buffer.
    void buildSampleBuffers(const FormatInfo& colour, const FormatInfo* depth, GLsizei samples);

    GLDevice* device_;
    D3DPRESENT_PARAMETERS parameters_;
    GLSurface* backBuffer_ = nullptr;  // holds the device's binding
    GLuint depthBuffer_ = 0;
    GLuint sampleColour_ = 0;       // multisampled colour, 0 without multisampling
    GLuint sampleFramebuffer_ = 0;  // the device's target when multisampled
    RenderTarget target_;
    std::vector<uint32_t> presentPixels_;  // the last present's pixels, reused
};

}  // namespace pelmora::d3d9gl
