// A shadow of the OpenGL state the device sets: each setter compares with the
// last value sent and calls GL only on a change, and counts the calls it makes,
// so redundant Direct3D state is proven never to reach the driver.
#pragma once

#include "platform/d3d9/gl/GLApi.h"

#include <array>
#include <cstdint>
#include <utility>

namespace pelmora::d3d9gl {

enum class Capability : uint8_t { Blend, DepthTest, CullFace, PolygonOffsetFill, ScissorTest,
                                  LineSmooth, Count };

class GLStateCache {
public:
    explicit GLStateCache(const GLApi& gl) : gl_(gl) {}

    void enable(Capability capability, bool on);
    void blendFunc(GLenum source, GLenum destination);
    void blendEquation(GLenum equation);
    void depthFunc(GLenum function);
    void depthMask(bool write);
    void colorMask(uint8_t rgbaBits);
    void cullFace(GLenum face);
    void polygonOffset(float factor, float units);
    void polygonMode(GLenum mode);
    void viewport(int x, int y, int width, int height);
    void depthRange(float nearZ, float farZ);
    void scissor(int x, int y, int width, int height);
    void clearColor(const std::array<float, 4>& colour);
    void clearDepth(float depth);
    void clearStencil(int stencil);
    void useProgram(GLuint program);
    void bindVertexArray(GLuint vertexArray);
    void bindDrawFramebuffer(GLuint framebuffer);
    void bindReadFramebuffer(GLuint framebuffer);
    void bindTexture(GLuint unit, GLuint texture);
    void bindSampler(GLuint unit, GLuint sampler);
    void bindUniformBuffer(GLuint index, GLuint buffer);
    void lineWidth(float width);
    // The one sampler object of the device and the one vertex array.
    void samplerParameter(GLuint sampler, GLenum name, GLint value);
    void samplerBorderColour(GLuint sampler, const std::array<float, 4>& colour);
    void vertexAttribute(GLuint vertexArray, GLuint location, bool enabled, GLint size, GLenum type,
                         bool normalized, GLuint offset);
    void vertexBuffer(GLuint vertexArray, GLuint buffer, GLintptr offset, GLsizei stride);
    void elementBuffer(GLuint vertexArray, GLuint buffer);

    // Forgets a deleted object so a later one with the same name is bound again.
    void forgetTexture(GLuint texture);
    void forgetFramebuffer(GLuint framebuffer);
    void forgetProgram(GLuint program);
    void forgetBuffer(GLuint buffer);

    uint64_t stateCalls() const { return calls_; }

private:
    static constexpr size_t kUnits = 8;
    static constexpr size_t kUniformBuffers = 4;
    static constexpr uint32_t kUnknown = 0xFFFFFFFFu;

    template <class T>
    bool changes(T& shadow, const T& value) {
        if (shadow == value) return false;
        shadow = value;
        ++calls_;
        return true;
    }

    const GLApi& gl_;
    uint64_t calls_ = 0;
    std::array<int8_t, static_cast<size_t>(Capability::Count)> enabled_{-1, -1, -1, -1, -1, -1};
    std::array<uint32_t, 2> blendFunc_{kUnknown, kUnknown};
    uint32_t blendEquation_ = kUnknown;
    uint32_t depthFunc_ = kUnknown;
    int8_t depthMask_ = -1;
    uint32_t colorMask_ = kUnknown;
    uint32_t cullFace_ = kUnknown;
    std::array<float, 2> polygonOffset_{-1e30f, -1e30f};
    uint32_t polygonMode_ = kUnknown;
    std::array<int, 4> viewport_{-1, -1, -1, -1};
    std::array<float, 2> depthRange_{-1, -1};
    std::array<int, 4> scissor_{-1, -1, -1, -1};
    std::array<float, 4> clearColor_{-1, -1, -1, -1};
    float clearDepth_ = -1;
    int clearStencil_ = -1;
    uint32_t program_ = kUnknown;
    uint32_t vertexArray_ = kUnknown;
    uint32_t drawFramebuffer_ = kUnknown;
    uint32_t readFramebuffer_ = kUnknown;
    std::array<uint32_t, kUnits> textures_{kUnknown, kUnknown, kUnknown, kUnknown,
                                           kUnknown, kUnknown, kUnknown, kUnknown};
    std::array<uint32_t, kUnits> samplers_{kUnknown, kUnknown, kUnknown, kUnknown,
                                           kUnknown, kUnknown, kUnknown, kUnknown};
    std::array<uint32_t, kUniformBuffers> uniformBuffers_{kUnknown, kUnknown, kUnknown, kUnknown};
    float lineWidth_ = -1;

    struct Attribute {
        bool enabled = false;
        GLint size = -1;
        GLenum type = 0;
        bool normalized = false;
        GLuint offset = 0;
        bool operator==(const Attribute&) const = default;
    };
    static constexpr size_t kAttributes = 8;
    static constexpr size_t kSamplerParameters = 8;
    std::array<std::pair<GLenum, GLint>, kSamplerParameters> samplerParameters_{};
    std::array<float, 4> borderColour_{-1, -1, -1, -1};
    std::array<Attribute, kAttributes> attributes_{};
    std::array<int64_t, 3> vertexBuffer_{-1, -1, -1};
    int64_t elementBuffer_ = -1;
};

}  // namespace pelmora::d3d9gl
