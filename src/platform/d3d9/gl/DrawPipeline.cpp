#include "platform/d3d9/gl/DrawPipeline.h"

#include "platform/d3d9/EngineExtensions.h"
#include "platform/d3d9/gl/StateNames.h"
#include "platform/d3d9/gl/FixedFunctionGenerator.h"
#include "platform/d3d9/gl/FixedFunctionUniforms.h"
#include "platform/d3d9/gl/GLIndexBuffer.h"
#include "platform/d3d9/gl/GLTexture.h"
#include "platform/d3d9/gl/GLVertexBuffer.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace pelmora::d3d9gl {
namespace {

constexpr uint32_t kPipelineGroups = kDirtyAll;

GLenum primitiveMode(D3DPRIMITIVETYPE type) {
    switch (type) {
        case D3DPT_POINTLIST: return GL_POINTS;
        case D3DPT_LINELIST: return GL_LINES;
        case D3DPT_LINESTRIP: return GL_LINE_STRIP;
        case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
        case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
        default: return GL_TRIANGLES;
    }
}

GLenum blendFactor(DWORD blend) {
    switch (blend) {
        case D3DBLEND_ZERO: return GL_ZERO;
        case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
        case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
        default: return GL_ONE;
    }
}

GLenum blendEquation(DWORD operation) {
    switch (operation) {
        case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
        case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
        case D3DBLENDOP_MIN: return GL_MIN;
        case D3DBLENDOP_MAX: return GL_MAX;
        default: return GL_FUNC_ADD;
    }
}

GLenum compareFunction(DWORD function) {
    // D3DCMP_NEVER..ALWAYS (1..8) line up with GL_NEVER..GL_ALWAYS.
    if (function < D3DCMP_NEVER || function > D3DCMP_ALWAYS) return GL_LESS;
    return GL_NEVER + (function - D3DCMP_NEVER);
}

GLint addressMode(DWORD mode) {
    switch (mode) {
        case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
        case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
        case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
        default: return GL_REPEAT;
    }
}

GLint minificationFilter(DWORD minFilter, DWORD mipFilter) {
    const bool linear = minFilter >= D3DTEXF_LINEAR;
    if (mipFilter == D3DTEXF_NONE) return linear ? GL_LINEAR : GL_NEAREST;
    if (mipFilter == D3DTEXF_POINT) return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
}

std::array<float, 4> colourOf(D3DCOLOR colour) {
    return {float((colour >> 16) & 0xFF) / 255.0f, float((colour >> 8) & 0xFF) / 255.0f,
            float(colour & 0xFF) / 255.0f, float(colour >> 24) / 255.0f};
}

void store(float out[4], const D3DCOLORVALUE& colour) {
    out[0] = colour.r;
    out[1] = colour.g;
    out[2] = colour.b;
    out[3] = colour.a;
}

void store(float out[4], float x, float y, float z, float w) {
    out[0] = x;
    out[1] = y;
    out[2] = z;
    out[3] = w;
}

LightBlockEntry cameraSpaceLight(const D3DLIGHT9& light, const D3DMATRIX& view) {
    LightBlockEntry entry{};
    store(entry.diffuse, light.Diffuse);
    store(entry.specular, light.Specular);
    store(entry.ambient, light.Ambient);
    const float position[4] = {light.Position.x, light.Position.y, light.Position.z, 1.0f};
    transformVector(position, view, entry.position);
    const float direction[4] = {light.Direction.x, light.Direction.y, light.Direction.z, 0.0f};
    transformVector(direction, view, entry.direction);
    const float length = std::sqrt(entry.direction[0] * entry.direction[0] +
                                   entry.direction[1] * entry.direction[1] +
                                   entry.direction[2] * entry.direction[2]);
    if (length > 0.0f)
        for (int i = 0; i < 3; ++i) entry.direction[i] /= length;
    store(entry.cone, light.Range, light.Falloff, std::cos(light.Theta / 2.0f), std::cos(light.Phi / 2.0f));
    store(entry.attenuation, light.Attenuation0, light.Attenuation1, light.Attenuation2, 0.0f);
    return entry;
}

}  // namespace

UINT vertexCountOf(D3DPRIMITIVETYPE type, UINT primitiveCount) {
    switch (type) {
        case D3DPT_POINTLIST: return primitiveCount;
        case D3DPT_LINELIST: return primitiveCount * 2;
        case D3DPT_LINESTRIP: return primitiveCount + 1;
        case D3DPT_TRIANGLELIST: return primitiveCount * 3;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN: return primitiveCount + 2;
        default: return 0;
    }
}

// Floats in texture coordinate set `set`: two unless the size bits say 1, 3 or 4.
UINT texCoordSize(DWORD fvf, DWORD set) {
    static constexpr UINT kSizes[4] = {2, 3, 4, 1};
    return kSizes[(fvf >> (16 + 2 * set)) & 3];
}

UINT fvfStride(DWORD fvf) {
    UINT stride = (fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW ? 16 : 12;
    if (fvf & D3DFVF_NORMAL) stride += 12;
    if (fvf & D3DFVF_PSIZE) stride += 4;
    if (fvf & D3DFVF_DIFFUSE) stride += 4;
    if (fvf & D3DFVF_SPECULAR) stride += 4;
    const DWORD sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    for (DWORD set = 0; set < sets; ++set) stride += 4 * texCoordSize(fvf, set);
    return stride;
}

DrawPipeline::DrawPipeline(const GLApi& gl, GLStateCache& cache, const DriverWorkarounds& workarounds,
                           InvalidCall invalid)
    : gl_(gl), cache_(cache), invalid_(std::move(invalid)), programs_(gl) {
    if (workarounds.liftForTopLeftTies) {
        GLint subpixelBits = 0;
        gl_.GetIntegerv(GL_SUBPIXEL_BITS, &subpixelBits);
        lift_ = std::ldexp(1.0f, -std::clamp(subpixelBits, 1, 16));
    }
    gl_.CreateVertexArrays(1, &vertexArray_);
    gl_.CreateBuffers(1, &pixelBuffer_);
    gl_.NamedBufferData(pixelBuffer_, sizeof(PixelBlock), nullptr, GL_DYNAMIC_DRAW);
    gl_.CreateBuffers(1, &streamVertices_);
    gl_.CreateSamplers(1, &sampler_);
}

DrawPipeline::~DrawPipeline() {
    gl_.DeleteSamplers(1, &sampler_);
    gl_.DeleteBuffers(1, &streamVertices_);
    gl_.DeleteBuffers(1, &pixelBuffer_);
    gl_.DeleteVertexArrays(1, &vertexArray_);
}

GLuint DrawPipeline::boundTexture(const DeviceState& state) const {
    auto* texture = dynamic_cast<GLTexture*>(state.textures[0]);
    return texture ? texture->texture() : 0;
}

HRESULT DrawPipeline::applyProgram(const DeviceState& state) {
    std::string unsupported;
    FixedFunctionKey key;
    if (!makeFixedFunctionKey(state, boundTexture(state) != 0, &key, &unsupported))
        return invalid_(("draw: " + unsupported).c_str());
    FixedFunctionProgram& program = programs_.program(key);
    if (!program.program) return invalid_("draw: the fixed-function program for this state failed to build");
    key_ = key;
    program_ = &program;
    float alpha = 0;
    const bool alphaTested = state.rs(D3DRS_ALPHATESTENABLE) != FALSE && state.rs(D3DRS_ALPHAFUNC) != D3DCMP_ALWAYS;
    alphaTestInputs_ = alphaTested && fragmentAlphaIsConstant(state, key, &alpha)
                           ? uint32_t(kDirtyPixelConstants) | (key.lighting ? uint32_t(kDirtyMaterial) : 0u)
                           : 0u;
    cache_.useProgram(program.program);
    return D3D_OK;
}

// Each program keeps its own copy of the transforms: a body's matrices go
// with one upload, the viewport vectors and the projection only when they
// differ from what the program holds.
void DrawPipeline::applyTransforms(const DeviceState& state) {
    FixedFunctionProgram& program = *program_;
    TransformBlock block{};
    const D3DVIEWPORT9& viewport = state.viewport;
    store(block.viewport, float(viewport.X), float(viewport.Y), float(viewport.Width), float(viewport.Height));
    // Half a pixel right and down (2/size is one pixel in clip units per w).
    store(block.pixelShift, 1.0f / float(viewport.Width), -(1.0f - 2.0f * lift_) / float(viewport.Height),
          0.5f * state.rsFloat(D3DRS_SILHOUETTEWIDTH), float(std::min<DWORD>(state.rs(D3DRS_SILHOUETTESHOW), 2)));
    static_assert(sizeof program.sentVectors == sizeof block.viewport + sizeof block.pixelShift);
    if (!program.transformsSent || std::memcmp(program.sentVectors, block.viewport, sizeof program.sentVectors)) {
        gl_.ProgramUniform4fv(program.program, program.transformVectors, kTransformVectors, block.viewport);
        std::memcpy(program.sentVectors, block.viewport, sizeof program.sentVectors);
    }
    // Pretransformed vertices never read the matrices.
    if (key_.pretransformed) {
        program.transformsSent = true;
        return;
    }
    const D3DMATRIX worldView = multiply(state.transforms[kSlotWorld], state.transforms[kSlotView]);
    std::memcpy(block.worldView, &worldView, sizeof block.worldView);
    const D3DMATRIX normals = normalMatrix(worldView);
    std::memcpy(block.normalMatrix, &normals, sizeof block.normalMatrix);
    gl_.ProgramUniformMatrix4fv(program.program, program.transformMatrices, kBodyMatrices, GL_FALSE,
                                block.worldView);
    const auto* projection = reinterpret_cast<const float*>(&state.transforms[kSlotProjection]);
    if (!program.transformsSent || std::memcmp(program.sentProjection, projection, sizeof program.sentProjection)) {
        gl_.ProgramUniformMatrix4fv(program.program, program.projection, 1, GL_FALSE, projection);
        std::memcpy(program.sentProjection, projection, sizeof program.sentProjection);
    }
    program.transformsSent = true;
}

// The lighting the state describes, each part's generation moving on only
// when its values really changed (a part's colour set again is no change).
void DrawPipeline::refreshLighting(const DeviceState& state) {
    LightingBlock block{};
    const D3DMATERIAL9& material = state.material;
    store(block.materialDiffuse, material.Diffuse);
    store(block.materialAmbient, material.Ambient);
    store(block.materialSpecular, material.Specular);
    store(block.materialEmissive, material.Emissive);
    const auto ambient = colourOf(state.rs(D3DRS_AMBIENT));
    store(block.globalAmbient, ambient[0], ambient[1], ambient[2], ambient[3]);
    store(block.power, material.Power, 0, 0, 0);
    const D3DLIGHT9* lights[kMaxActiveLights];
    const int count = state.enabledLights(lights, kMaxActiveLights);
    for (int i = 0; i < count; ++i) block.lights[i] = cameraSpaceLight(*lights[i], state.transforms[kSlotView]);
    constexpr size_t kMaterialBytes = offsetof(LightingBlock, lights);
    if (std::memcmp(&block, &lighting_, kMaterialBytes) != 0) ++materialGeneration_;
    if (std::memcmp(block.lights, lighting_.lights, sizeof block.lights) != 0) ++lightsGeneration_;
    lighting_ = block;
    lightingKnown_ = true;
}

// Sends the program the parts it does not hold yet.
void DrawPipeline::applyLighting() {
    FixedFunctionProgram& program = *program_;
    if (program.materialSent != materialGeneration_ && program.material >= 0) {
        gl_.ProgramUniform4fv(program.program, program.material, kMaterialVectors, lighting_.materialDiffuse);
        program.materialSent = materialGeneration_;
    }
    if (program.lightsSent != lightsGeneration_ && program.lights >= 0 && key_.lightCount > 0) {
        gl_.ProgramUniform4fv(program.program, program.lights, kLightVectors * key_.lightCount,
                              lighting_.lights[0].diffuse);
        program.lightsSent = lightsGeneration_;
    }
}

void DrawPipeline::applyPixelConstants(const DeviceState& state) {
    PixelBlock block{};
    const auto factor = colourOf(state.rs(D3DRS_TEXTUREFACTOR));
    store(block.textureFactor, factor[0], factor[1], factor[2], factor[3]);
    store(block.alphaReference, float(state.rs(D3DRS_ALPHAREF) & 0xFF), 0, 0, 0);
    if (pixelsValid_ && std::memcmp(&block, &pixelsSent_, sizeof block) == 0) return;
    gl_.NamedBufferSubData(pixelBuffer_, 0, sizeof block, &block);
    pixelsSent_ = block;
    pixelsValid_ = true;
}

void DrawPipeline::applyFixedFunction(const DeviceState& state, const RenderTarget& target, uint32_t dirty) {
    if (dirty & kDirtyViewport) {
        const D3DVIEWPORT9& viewport = state.viewport;
        cache_.viewport(int(viewport.X), int(viewport.Y), int(viewport.Width), int(viewport.Height));
        cache_.depthRange(viewport.MinZ, viewport.MaxZ);
    }
    if (dirty & kDirtyBlend) {
        cache_.enable(Capability::Blend, state.rs(D3DRS_ALPHABLENDENABLE) != FALSE);
        cache_.blendFunc(blendFactor(state.rs(D3DRS_SRCBLEND)), blendFactor(state.rs(D3DRS_DESTBLEND)));
        cache_.blendEquation(blendEquation(state.rs(D3DRS_BLENDOP)));
    }
    if (dirty & kDirtyDepth) {
        cache_.enable(Capability::DepthTest, target.hasDepth && state.rs(D3DRS_ZENABLE) != D3DZB_FALSE);
        cache_.depthMask(state.rs(D3DRS_ZWRITEENABLE) != FALSE);
        cache_.depthFunc(compareFunction(state.rs(D3DRS_ZFUNC)));
    }
    if (dirty & kDirtyDepthBias) {
        const float slope = state.rsFloat(D3DRS_SLOPESCALEDEPTHBIAS);
        const float bias = state.rsFloat(D3DRS_DEPTHBIAS);
        cache_.enable(Capability::PolygonOffsetFill, slope != 0.0f || bias != 0.0f);
        cache_.polygonOffset(slope, bias * target.depthBiasScale);
    }
    if (dirty & kDirtyRaster) {
        const DWORD cull = state.rs(D3DRS_CULLMODE);
        cache_.enable(Capability::CullFace, cull == D3DCULL_CW || cull == D3DCULL_CCW);
        // Front faces are clockwise on screen (glFrontFace(GL_CW) at start-up).
        cache_.cullFace(cull == D3DCULL_CW ? GL_FRONT : GL_BACK);
        const DWORD fill = state.rs(D3DRS_FILLMODE);
        cache_.polygonMode(fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
        cache_.enable(Capability::LineSmooth, state.rs(D3DRS_ANTIALIASEDLINEENABLE) != FALSE);
    }
    if (dirty & kDirtyColorMask) cache_.colorMask(uint8_t(state.rs(D3DRS_COLORWRITEENABLE) & 0xF));
}

void DrawPipeline::applySampler(const DeviceState& state) {
    const auto& sampler = state.samplerStates[0];
    cache_.samplerParameter(sampler_, GL_TEXTURE_MIN_FILTER,
                            minificationFilter(sampler[D3DSAMP_MINFILTER], sampler[D3DSAMP_MIPFILTER]));
    cache_.samplerParameter(sampler_, GL_TEXTURE_MAG_FILTER,
                            sampler[D3DSAMP_MAGFILTER] >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
    cache_.samplerParameter(sampler_, GL_TEXTURE_WRAP_S, addressMode(sampler[D3DSAMP_ADDRESSU]));
    cache_.samplerParameter(sampler_, GL_TEXTURE_WRAP_T, addressMode(sampler[D3DSAMP_ADDRESSV]));
    cache_.samplerBorderColour(sampler_, colourOf(sampler[D3DSAMP_BORDERCOLOR]));
}

void DrawPipeline::applyVertexFormat(DWORD fvf) {
    GLuint offset = 0;
    const bool rhw = (fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
    cache_.vertexAttribute(vertexArray_, kPositionLocation, true, rhw ? 4 : 3, GL_FLOAT, false, 0);
    offset += rhw ? 16 : 12;
    const bool normal = (fvf & D3DFVF_NORMAL) != 0;
    cache_.vertexAttribute(vertexArray_, kNormalLocation, normal, 3, GL_FLOAT, false, offset);
    offset += normal ? 12 : 0;
    offset += (fvf & D3DFVF_PSIZE) ? 4 : 0;
    const bool diffuse = (fvf & D3DFVF_DIFFUSE) != 0;
    // D3DCOLOR is B, G, R, A in memory: GL_BGRA reads it as it is.
    cache_.vertexAttribute(vertexArray_, kDiffuseLocation, diffuse, GL_BGRA, GL_UNSIGNED_BYTE, true, offset);
    offset += diffuse ? 4 : 0;
    const bool specular = (fvf & D3DFVF_SPECULAR) != 0;
    cache_.vertexAttribute(vertexArray_, kSpecularLocation, specular, GL_BGRA, GL_UNSIGNED_BYTE, true, offset);
    offset += specular ? 4 : 0;
    const DWORD sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    cache_.vertexAttribute(vertexArray_, kTexCoordLocation, sets > 0, GLint(sets > 0 ? texCoordSize(fvf, 0) : 2),
                           GL_FLOAT, false, offset);
    offset += sets > 0 ? 4 * texCoordSize(fvf, 0) : 0;
    cache_.vertexAttribute(vertexArray_, kSecondTexCoordLocation, sets > 1,
                           GLint(sets > 1 ? texCoordSize(fvf, 1) : 2), GL_FLOAT, false, offset);
}

HRESULT DrawPipeline::prepare(StateTracker& tracker, const RenderTarget& target) {
    const DeviceState& state = tracker.state();
    const uint32_t dirty = tracker.dirty();
    cache_.bindDrawFramebuffer(target.framebuffer);
    cache_.bindVertexArray(vertexArray_);
    cache_.enable(Capability::ScissorTest, false);
    cache_.bindUniformBuffer(kPixelBinding, pixelBuffer_);
    const FixedFunctionProgram* previousProgram = program_;
    // Whether the alpha test is left out follows the material and the reference.
    const bool alphaTestMayChange = (dirty & alphaTestInputs_) != 0;
    if ((dirty & kDirtyProgram) || !program_ || alphaTestMayChange) PELMORA_D3D9GL_RETURN_IF_FAILED(applyProgram(state));
    // Each program keeps the transforms it was sent: one bound anew needs
    // them, the same one only when they changed, and pretransformed vertices
    // read nothing but the viewport.
    const bool newProgram = program_ != previousProgram;
    const bool matricesChanged = (dirty & kDirtyTransforms) && !key_.pretransformed;
    if (newProgram || matricesChanged || (dirty & kDirtyViewport)) applyTransforms(state);
    if (key_.lighting) {
        if ((dirty & (kDirtyLights | kDirtyMaterial)) || !lightingKnown_) {
            refreshLighting(state);
            tracker.clearDirty(kDirtyLights | kDirtyMaterial);
        }
        applyLighting();
    }
    if (dirty & kDirtyPixelConstants) applyPixelConstants(state);
    applyFixedFunction(state, target, dirty);
    if (dirty & kDirtyTexture) cache_.bindTexture(0, boundTexture(state));
    if (dirty & kDirtySampler) {
        applySampler(state);
        cache_.bindSampler(0, sampler_);
    }
    if (dirty & kDirtyVertexFormat) applyVertexFormat(state.fvf);
    // Silhouette edges drawn as a line list are as wide as their width
    // state (the driver clamps it to what it can draw); every other line is thin.
    cache_.lineWidth(key_.silhouette ? std::max(1.0f, state.rsFloat(D3DRS_SILHOUETTEWIDTH)) : 1.0f);
    // Lights and material wait until a lit program needs them.
    tracker.clearDirty(kPipelineGroups & ~(kDirtyLights | kDirtyMaterial));
    return D3D_OK;
}

HRESULT DrawPipeline::bindStream(const DeviceState& state) {
    auto* buffer = dynamic_cast<GLVertexBuffer*>(state.stream0.buffer);
    if (!buffer) return invalid_("draw: no vertex buffer on stream 0");
    if (buffer->storage().locked()) return invalid_("draw: the vertex buffer is locked");
    const UINT stride = state.stream0.stride ? state.stream0.stride : fvfStride(state.fvf);
    cache_.vertexBuffer(vertexArray_, buffer->storage().bufferForDraw(), state.stream0.offset, GLsizei(stride));
    return D3D_OK;
}

HRESULT DrawPipeline::drawPrimitive(StateTracker& tracker, const RenderTarget& target,
                                    D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    const UINT count = vertexCountOf(type, primitiveCount);
    if (count == 0) return primitiveCount ? invalid_("DrawPrimitive: unknown primitive type") : D3D_OK;
    PELMORA_D3D9GL_RETURN_IF_FAILED(prepare(tracker, target));
    PELMORA_D3D9GL_RETURN_IF_FAILED(bindStream(tracker.state()));
    gl_.DrawArrays(primitiveMode(type), GLint(startVertex), GLsizei(count));
    return D3D_OK;
}

HRESULT DrawPipeline::drawIndexedPrimitive(StateTracker& tracker, const RenderTarget& target,
                                           D3DPRIMITIVETYPE type, INT baseVertex, UINT startIndex,
                                           UINT primitiveCount) {
    const UINT count = vertexCountOf(type, primitiveCount);
    if (count == 0) return primitiveCount ? invalid_("DrawIndexedPrimitive: unknown primitive type") : D3D_OK;
    auto* indices = dynamic_cast<GLIndexBuffer*>(tracker.state().indices);
    if (!indices) return invalid_("DrawIndexedPrimitive: no index buffer");
    if (indices->storage().locked()) return invalid_("DrawIndexedPrimitive: the index buffer is locked");
    if (uint64_t(startIndex + count) * indices->indexSize() > indices->storage().length())
        return invalid_("DrawIndexedPrimitive: indices beyond the end of the index buffer");
    PELMORA_D3D9GL_RETURN_IF_FAILED(prepare(tracker, target));
    PELMORA_D3D9GL_RETURN_IF_FAILED(bindStream(tracker.state()));
    cache_.elementBuffer(vertexArray_, indices->storage().bufferForDraw());
    const GLenum indexType = indices->indexSize() == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
    const auto offset = reinterpret_cast<const void*>(uintptr_t(startIndex) * indices->indexSize());
    gl_.DrawElementsBaseVertex(primitiveMode(type), GLsizei(count), indexType, offset, baseVertex);
    return D3D_OK;
}

// Index data in a buffer starts at a multiple of the largest index size.
constexpr size_t kIndexAlignment = 4;

void DrawPipeline::streamUserVertices(const void* vertices, size_t bytes, UINT stride) {
    gl_.NamedBufferData(streamVertices_, GLsizeiptr(bytes), vertices, GL_STREAM_DRAW);
    cache_.vertexBuffer(vertexArray_, streamVertices_, 0, GLsizei(stride));
}

HRESULT DrawPipeline::drawPrimitiveUP(StateTracker& tracker, const RenderTarget& target,
                                      D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                                      UINT stride) {
    const UINT count = vertexCountOf(type, primitiveCount);
    if (!vertices || stride == 0) return invalid_("DrawPrimitiveUP: no vertices or no stride");
    if (count == 0) return primitiveCount ? invalid_("DrawPrimitiveUP: unknown primitive type") : D3D_OK;
    PELMORA_D3D9GL_RETURN_IF_FAILED(prepare(tracker, target));
    streamUserVertices(vertices, size_t(count) * stride, stride);
    gl_.DrawArrays(primitiveMode(type), 0, GLsizei(count));
    // Direct3D leaves stream 0 empty after a draw from user memory.
    tracker.setStreamSource(0, nullptr, 0, 0);
    return D3D_OK;
}

HRESULT DrawPipeline::drawIndexedPrimitiveUP(StateTracker& tracker, const RenderTarget& target,
                                             D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                             UINT primitiveCount, const void* indices,
                                             D3DFORMAT indexFormat, const void* vertices, UINT stride) {
    const UINT count = vertexCountOf(type, primitiveCount);
    if (!vertices || !indices || stride == 0 || vertexCount == 0)
        return invalid_("DrawIndexedPrimitiveUP: no vertices, indices or stride");
    if (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32)
        return invalid_("DrawIndexedPrimitiveUP: index format is neither INDEX16 nor INDEX32");
    if (count == 0) return primitiveCount ? invalid_("DrawIndexedPrimitiveUP: unknown primitive type") : D3D_OK;
    PELMORA_D3D9GL_RETURN_IF_FAILED(prepare(tracker, target));
    const UINT indexSize = indexFormat == D3DFMT_INDEX32 ? 4 : 2;
    // Vertices and indices go up together, the indices after the vertices:
    // one buffer allocation per draw instead of two, which matters for
    // screen-space visuals drawn one small quad at a time.
    const size_t vertexBytes = size_t(vertexCount) * stride;
    const size_t indexOffset = (vertexBytes + kIndexAlignment - 1) / kIndexAlignment * kIndexAlignment;
    const size_t indexBytes = size_t(count) * indexSize;
    userData_.resize(indexOffset + indexBytes);
    std::memcpy(userData_.data(), static_cast<const uint8_t*>(vertices) + size_t(minIndex) * stride, vertexBytes);
    std::memcpy(userData_.data() + indexOffset, indices, indexBytes);
    streamUserVertices(userData_.data(), userData_.size(), stride);
    cache_.elementBuffer(vertexArray_, streamVertices_);
    gl_.DrawElementsBaseVertex(primitiveMode(type), GLsizei(count),
                               indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                               reinterpret_cast<const void*>(indexOffset), -GLint(minIndex));
    tracker.setStreamSource(0, nullptr, 0, 0);
    tracker.setIndices(nullptr);
    return D3D_OK;
}

HRESULT DrawPipeline::clear(StateTracker& tracker, const RenderTarget& target, DWORD count,
                            const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil) {
    if ((flags & D3DCLEAR_ZBUFFER) && !target.hasDepth) return invalid_("Clear: no depth buffer to clear");
    if ((flags & D3DCLEAR_STENCIL) && !target.hasStencil) return invalid_("Clear: no stencil buffer to clear");
    if (count > 0 && !rects) return invalid_("Clear: rectangle count without rectangles");
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) mask |= GL_COLOR_BUFFER_BIT;
    if (flags & D3DCLEAR_ZBUFFER) mask |= GL_DEPTH_BUFFER_BIT;
    if (flags & D3DCLEAR_STENCIL) mask |= GL_STENCIL_BUFFER_BIT;
    if (!mask) return D3D_OK;
    // A clear ignores the colour-write mask but stays inside the viewport.
    cache_.bindDrawFramebuffer(target.framebuffer);
    cache_.colorMask(0xF);
    cache_.depthMask(true);
    cache_.clearColor(colourOf(colour));
    cache_.clearDepth(std::fmin(std::fmax(z, 0.0f), 1.0f));
    cache_.clearStencil(int(stencil));
    cache_.enable(Capability::ScissorTest, true);
    const D3DVIEWPORT9& viewport = tracker.state().viewport;
    const D3DRECT whole = {LONG(viewport.X), LONG(viewport.Y), LONG(viewport.X + viewport.Width),
                           LONG(viewport.Y + viewport.Height)};
    const DWORD rectCount = count ? count : 1;
    for (DWORD i = 0; i < rectCount; ++i) {
        const D3DRECT& rect = count ? rects[i] : whole;
        const LONG left = std::max(rect.x1, whole.x1), top = std::max(rect.y1, whole.y1);
        const LONG right = std::min(rect.x2, whole.x2), bottom = std::min(rect.y2, whole.y2);
        if (left >= right || top >= bottom) continue;
        cache_.scissor(left, top, right - left, bottom - top);
        gl_.Clear(mask);
    }
    tracker.markDirty(kDirtyColorMask | kDirtyDepth);
    return D3D_OK;
}

}  // namespace pelmora::d3d9gl
