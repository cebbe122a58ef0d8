#include "platform/d3d9/gl/GLStateCache.h"

namespace pelmora::d3d9gl {
namespace {

constexpr GLenum kCapabilityNames[] = {GL_BLEND,        GL_DEPTH_TEST,   GL_CULL_FACE,
                                       GL_POLYGON_OFFSET_FILL, GL_SCISSOR_TEST, GL_LINE_SMOOTH};

}  // namespace

void GLStateCache::enable(Capability capability, bool on) {
    const auto index = static_cast<size_t>(capability);
    if (!changes(enabled_[index], static_cast<int8_t>(on))) return;
    if (on)
        gl_.Enable(kCapabilityNames[index]);
    else
        gl_.Disable(kCapabilityNames[index]);
}

void GLStateCache::blendFunc(GLenum source, GLenum destination) {
    if (changes(blendFunc_, {source, destination})) gl_.BlendFunc(source, destination);
}

void GLStateCache::blendEquation(GLenum equation) {
    if (changes(blendEquation_, uint32_t{equation})) gl_.BlendEquation(equation);
}

void GLStateCache::depthFunc(GLenum function) {
    if (changes(depthFunc_, uint32_t{function})) gl_.DepthFunc(function);
}

void GLStateCache::depthMask(bool write) {
    if (changes(depthMask_, static_cast<int8_t>(write))) gl_.DepthMask(write ? GL_TRUE : GL_FALSE);
}

void GLStateCache::colorMask(uint8_t rgbaBits) {
    if (!changes(colorMask_, uint32_t{rgbaBits})) return;
    gl_.ColorMask((rgbaBits & 1) != 0, (rgbaBits & 2) != 0, (rgbaBits & 4) != 0,
                  (rgbaBits & 8) != 0);
}

void GLStateCache::cullFace(GLenum face) {
    if (changes(cullFace_, uint32_t{face})) gl_.CullFace(face);
}

void GLStateCache::polygonOffset(float factor, float units) {
    if (changes(polygonOffset_, {factor, units})) gl_.PolygonOffset(factor, units);
}

void GLStateCache::polygonMode(GLenum mode) {
    if (changes(polygonMode_, uint32_t{mode})) gl_.PolygonMode(GL_FRONT_AND_BACK, mode);
}

void GLStateCache::viewport(int x, int y, int width, int height) {
    if (changes(viewport_, {x, y, width, height})) gl_.Viewport(x, y, width, height);
}

void GLStateCache::depthRange(float nearZ, float farZ) {
    if (changes(depthRange_, {nearZ, farZ})) gl_.DepthRangef(nearZ, farZ);
}

void GLStateCache::scissor(int x, int y, int width, int height) {
    if (changes(scissor_, {x, y, width, height})) gl_.Scissor(x, y, width, height);
}

void GLStateCache::clearColor(const std::array<float, 4>& colour) {
    if (changes(clearColor_, colour)) gl_.ClearColor(colour[0], colour[1], colour[2], colour[3]);
}

void GLStateCache::clearDepth(float depth) {
    if (changes(clearDepth_, depth)) gl_.ClearDepthf(depth);
}

void GLStateCache::clearStencil(int stencil) {
    if (changes(clearStencil_, stencil)) gl_.ClearStencil(stencil);
}

void GLStateCache::useProgram(GLuint program) {
    if (changes(program_, uint32_t{program})) gl_.UseProgram(program);
}

void GLStateCache::bindVertexArray(GLuint vertexArray) {
    if (changes(vertexArray_, uint32_t{vertexArray})) gl_.BindVertexArray(vertexArray);
}

void GLStateCache::bindDrawFramebuffer(GLuint framebuffer) {
    if (changes(drawFramebuffer_, uint32_t{framebuffer}))
        gl_.BindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
}

void GLStateCache::bindReadFramebuffer(GLuint framebuffer) {
    if (changes(readFramebuffer_, uint32_t{framebuffer}))
        gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
}

void GLStateCache::bindTexture(GLuint unit, GLuint texture) {
    if (unit < kUnits && changes(textures_[unit], uint32_t{texture}))
        gl_.BindTextureUnit(unit, texture);
}

void GLStateCache::bindSampler(GLuint unit, GLuint sampler) {
    if (unit < kUnits && changes(samplers_[unit], uint32_t{sampler})) gl_.BindSampler(unit, sampler);
}

void GLStateCache::bindUniformBuffer(GLuint index, GLuint buffer) {
    if (index < kUniformBuffers && changes(uniformBuffers_[index], uint32_t{buffer}))
        gl_.BindBufferBase(GL_UNIFORM_BUFFER, index, buffer);
}

void GLStateCache::lineWidth(float width) {
    if (changes(lineWidth_, width)) gl_.LineWidth(width);
}

void GLStateCache::samplerParameter(GLuint sampler, GLenum name, GLint value) {
    for (auto& [known, shadow] : samplerParameters_) {
        if (known == name || known == 0) {
            known = name;
            if (changes(shadow, value)) gl_.SamplerParameteri(sampler, name, value);
            return;
        }
    }
    ++calls_;
    gl_.SamplerParameteri(sampler, name, value);
}

void GLStateCache::samplerBorderColour(GLuint sampler, const std::array<float, 4>& colour) {
    if (changes(borderColour_, colour))
        gl_.SamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, colour.data());
}

void GLStateCache::vertexAttribute(GLuint vertexArray, GLuint location, bool enabled, GLint size,
                                   GLenum type, bool normalized, GLuint offset) {
    if (location >= kAttributes) return;
    Attribute& shadow = attributes_[location];
    if (shadow.enabled != enabled) {
        shadow.enabled = enabled;
        ++calls_;
        if (enabled)
            gl_.EnableVertexArrayAttrib(vertexArray, location);
        else
            gl_.DisableVertexArrayAttrib(vertexArray, location);
    }
    if (!enabled) return;
    const Attribute wanted{true, size, type, normalized, offset};
    if (changes(shadow, wanted)) {
        gl_.VertexArrayAttribFormat(vertexArray, location, size, type, normalized ? GL_TRUE : GL_FALSE,
                                    offset);
        gl_.VertexArrayAttribBinding(vertexArray, location, 0);
    }
}

void GLStateCache::vertexBuffer(GLuint vertexArray, GLuint buffer, GLintptr offset, GLsizei stride) {
    if (changes(vertexBuffer_, {int64_t{buffer}, int64_t{offset}, int64_t{stride}}))
        gl_.VertexArrayVertexBuffer(vertexArray, 0, buffer, offset, stride);
}

void GLStateCache::elementBuffer(GLuint vertexArray, GLuint buffer) {
    if (changes(elementBuffer_, int64_t{buffer})) gl_.VertexArrayElementBuffer(vertexArray, buffer);
}

void GLStateCache::forgetTexture(GLuint texture) {
    for (uint32_t& bound : textures_)
        if (bound == texture) bound = kUnknown;
}

void GLStateCache::forgetFramebuffer(GLuint framebuffer) {
    if (drawFramebuffer_ == framebuffer) drawFramebuffer_ = kUnknown;
    if (readFramebuffer_ == framebuffer) readFramebuffer_ = kUnknown;
}

void GLStateCache::forgetBuffer(GLuint buffer) {
    if (vertexBuffer_[0] == int64_t{buffer}) vertexBuffer_[0] = -1;
    if (elementBuffer_ == int64_t{buffer}) elementBuffer_ = -1;
    for (uint32_t& bound : uniformBuffers_)
        if (bound == buffer) bound = kUnknown;
}

void GLStateCache::forgetProgram(GLuint program) {
    if (program_ == program) program_ = kUnknown;
}

}  // namespace pelmora::d3d9gl
