// Turns the tracked Direct3D state into OpenGL state before each draw,
// rebuilding only the dirty groups, and issues the draws and clears.
#pragma once

#include "platform/d3d9/gl/DriverWorkarounds.h"
#include "platform/d3d9/gl/StateNames.h"
#include "platform/d3d9/gl/FixedFunctionUniforms.h"
#include "platform/d3d9/gl/GLStateCache.h"
#include "platform/d3d9/gl/ProgramCache.h"

#include <functional>
#include <vector>

#define PELMORA_D3D9GL_RETURN_IF_FAILED(expr)   \
    do {                                        \
        const HRESULT d3d9glStatus_ = (expr);   \
        if (FAILED(d3d9glStatus_)) return d3d9glStatus_; \
    } while (0)

namespace pelmora::d3d9gl {

// Where the device draws: the back buffer's framebuffer and what its depth is.
struct RenderTarget {
    GLuint framebuffer = 0;
    UINT width = 0;
    UINT height = 0;
    bool hasDepth = false;
    bool hasStencil = false;
    float depthBiasScale = 0;  // 2^depth bits (2^23 for float depth)
};

class DrawPipeline {
public:
    using InvalidCall = std::function<HRESULT(const char*)>;

    DrawPipeline(const GLApi& gl, GLStateCache& cache, const DriverWorkarounds& workarounds,
                 InvalidCall invalid);
    ~DrawPipeline();

    DrawPipeline(const DrawPipeline&) = delete;
    DrawPipeline& operator=(const DrawPipeline&) = delete;

    HRESULT drawPrimitive(StateTracker& tracker, const RenderTarget& target, D3DPRIMITIVETYPE type,
                          UINT startVertex, UINT primitiveCount);
    HRESULT drawIndexedPrimitive(StateTracker& tracker, const RenderTarget& target,
                                 D3DPRIMITIVETYPE type, INT baseVertex, UINT startIndex,
                                 UINT primitiveCount);
    HRESULT drawPrimitiveUP(StateTracker& tracker, const RenderTarget& target, D3DPRIMITIVETYPE type,
                            UINT primitiveCount, const void* vertices, UINT stride);
    HRESULT drawIndexedPrimitiveUP(StateTracker& tracker, const RenderTarget& target,
                                   D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                   UINT primitiveCount, const void* indices, D3DFORMAT indexFormat,
                                   const void* vertices, UINT stride);
    HRESULT clear(StateTracker& tracker, const RenderTarget& target, DWORD count,
                  const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil);

    size_t programCount() const { return programs_.size(); }

private:
    HRESULT prepare(StateTracker& tracker, const RenderTarget& target);
    HRESULT applyProgram(const DeviceState& state);
    void applyTransforms(const DeviceState& state);
    void refreshLighting(const DeviceState& state);
    void applyLighting();
    void applyPixelConstants(const DeviceState& state);
    void applyFixedFunction(const DeviceState& state, const RenderTarget& target, uint32_t dirty);
    void applySampler(const DeviceState& state);
    void applyVertexFormat(DWORD fvf);
    HRESULT bindStream(const DeviceState& state);
    void bindIndices(const DeviceState& state);
    GLuint boundTexture(const DeviceState& state) const;
    void streamUserVertices(const void* vertices, size_t bytes, UINT stride);

    const GLApi& gl_;
    GLStateCache& cache_;
    InvalidCall invalid_;
    // Pixels all geometry is lifted by (see DriverWorkarounds::liftForTopLeftTies).
    float lift_ = 0.0f;
    ProgramCache programs_;
    FixedFunctionKey key_;
    GLuint vertexArray_ = 0;
    FixedFunctionProgram* program_ = nullptr;  // the bound one, kept by programs_
    // The lighting as the programs read it, and how often each part changed;
    // a program holding older generations is sent the newer parts.
    LightingBlock lighting_{};
    uint64_t materialGeneration_ = 1;
    uint64_t lightsGeneration_ = 1;
    bool lightingKnown_ = false;
    // The dirty groups the bound key's alpha test was decided from: the
    // alpha reference, and the material for lit draws (see
    // fragmentAlphaIsConstant); none when the state decides it alone.
    uint32_t alphaTestInputs_ = 0;
    GLuint pixelBuffer_ = 0;
    // What the pixel buffer holds. Writing a buffer that queued draws still
    // read makes a deferring rasterizer finish them first, so the same
    // values (a state set and put back between draws) are not sent again.
    PixelBlock pixelsSent_{};
    bool pixelsValid_ = false;
    GLuint streamVertices_ = 0;
    // Vertices and indices of a draw from user memory, laid out for one upload.
    std::vector<uint8_t> userData_;
    GLuint sampler_ = 0;
};

// Vertices a primitive count needs; 0 for an unknown primitive type.
UINT vertexCountOf(D3DPRIMITIVETYPE type, UINT primitiveCount);
// Bytes of one vertex of a flexible vertex format.
UINT fvfStride(DWORD fvf);

}  // namespace pelmora::d3d9gl
