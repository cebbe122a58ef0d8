#include "LineRawRenderer.h"

#include "RawGLProgram.h"
#include "SavedGLState.h"

#include "platform/d3dx/d3dx9math.h"

#include <cstddef>
#include <cstdint>

namespace pelmora::bench {
namespace {

constexpr float kChannelScale = 1.0f / 255.0f;

// Matrices are Direct3D's row-major memory uploaded unchanged, so "M * v" in
// GLSL is Direct3D's "v * M". Both programs shift by the half pixel the
// device's pixel centres sit at.
const char kThinVertexShader[] = R"(#version 450 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec4 aColour;
uniform mat4 uWorld;
uniform mat4 uViewProjection;
uniform vec2 uPixelShift;
out vec4 vColour;
void main() {
    vec4 clip = uViewProjection * (uWorld * vec4(aPosition, 1.0));
    clip.xy += clip.w * uPixelShift;
    gl_Position = clip;
    vColour = aColour.bgra;
}
)";

const char kThinFragmentShader[] = R"(#version 450 core
in vec4 vColour;
layout(location = 0) out vec4 fragColour;
void main() { fragColour = vColour; }
)";

// Each corner of a segment's quad knows both ends: which end it sits at (x)
// and on which side (y), and moves half the width off the line on screen.
const char kWideVertexShader[] = R"(#version 450 core
layout(location = 0) in vec3 aFrom;
layout(location = 1) in vec3 aTo;
layout(location = 2) in vec2 aCorner;
uniform mat4 uWorld;
uniform mat4 uViewProjection;
uniform vec2 uPixelShift;
uniform vec2 uHalfViewport;
uniform float uHalfWidth;
void main() {
    vec4 from = uViewProjection * (uWorld * vec4(aFrom, 1.0));
    vec4 to = uViewProjection * (uWorld * vec4(aTo, 1.0));
    vec2 along = normalize((to.xy / to.w - from.xy / from.w) * uHalfViewport);
    vec2 across = vec2(-along.y, along.x) * aCorner.y * uHalfWidth / uHalfViewport;
    vec4 clip = mix(from, to, aCorner.x);
    clip.xy += clip.w * (across + uPixelShift);
    gl_Position = clip;
}
)";

const char kFragmentShader[] = R"(#version 450 core
uniform vec4 uColour;
layout(location = 0) out vec4 fragColour;
void main() { fragColour = uColour; }
)";

// A thin line's point as the device's line buffers hold it: position and
// colour (0xAARRGGBB, read as four normalised bytes B, G, R, A).
struct ColouredPoint {
    float position[3];
    uint32_t colour;
};

// One quad corner: both ends of its segment and where on the quad it sits.
struct QuadCorner {
    float from[3];
    float to[3];
    float corner[2];
};

const float* pointOf(const LineScene& scene, int index) { return &scene.vertices[size_t(index) * 3]; }

}  // namespace

std::unique_ptr<LineRawRenderer> LineRawRenderer::create(LineHost& host, const LineScene& scene, UINT width,
                                                         UINT height, std::string* error) {
    std::unique_ptr<LineRawRenderer> renderer(new LineRawRenderer(host, scene));
    if (!renderer->build(width, height, error)) return nullptr;
    return renderer;
}

bool LineRawRenderer::build(UINT width, UINT height, std::string* error) {
    if (!target_.open(host_.bench().glDevice(), width, height, error)) return false;
    if (!buildThin(error) || !buildWide(error)) return false;
    setCamera(thin_);
    setCamera(wide_);
    const float halfViewport[2] = {float(width) * 0.5f, float(height) * 0.5f};
    target_.gl().ProgramUniform2fv(wide_.program, target_.gl().GetUniformLocation(wide_.program, "uHalfViewport"),
                                   1, halfViewport);
    halfWidth_ = target_.gl().GetUniformLocation(wide_.program, "uHalfWidth");
    return makeCacheImage(error);
}

GLuint LineRawRenderer::vertexArrayOf(GLuint vertices, GLuint indices, GLsizei stride,
                                      std::initializer_list<Attribute> attributes) const {
    const RawGLApi& gl = target_.gl();
    GLuint array = 0;
    gl.CreateVertexArrays(1, &array);
    gl.VertexArrayVertexBuffer(array, 0, vertices, 0, stride);
    gl.VertexArrayElementBuffer(array, indices);
    GLuint location = 0;
    for (const Attribute& attribute : attributes) {
        gl.EnableVertexArrayAttrib(array, location);
        gl.VertexArrayAttribFormat(array, location, attribute.size, attribute.bytes ? GL_UNSIGNED_BYTE : GL_FLOAT,
                                   attribute.bytes ? GL_TRUE : GL_FALSE, attribute.offset);
        gl.VertexArrayAttribBinding(array, location, 0);
        ++location;
    }
    return array;
}

template <class Vertices>
void LineRawRenderer::upload(Kind& kind, Vertices&& verticesOf, const std::vector<uint16_t>& indices,
                             std::initializer_list<Attribute> attributes) {
    const RawGLApi& gl = target_.gl();
    kind.meshes.resize(scene_.meshes.size());
    for (size_t i = 0; i < kind.meshes.size(); ++i) {
        MeshBuffers& mesh = kind.meshes[i];
        const auto vertices = verticesOf(scene_.meshes[i]);
        using Vertex = typename decltype(vertices)::value_type;
        gl.CreateBuffers(2, mesh.buffers);
        gl.NamedBufferStorage(mesh.buffers[0], GLsizeiptr(vertices.size() * sizeof(Vertex)), vertices.data(), 0);
        gl.NamedBufferStorage(mesh.buffers[1], GLsizeiptr(indices.size() * sizeof(uint16_t)), indices.data(), 0);
        mesh.vertexArray = vertexArrayOf(mesh.buffers[0], mesh.buffers[1], sizeof(Vertex), attributes);
    }
    kind.indexCount = GLsizei(indices.size());
}

// The device's own layout: every mesh's points carry its row's colour.
bool LineRawRenderer::buildThin(std::string* error) {
    thin_.program = linkRawProgram(target_.gl(), kThinVertexShader, kThinFragmentShader, error);
    if (!thin_.program) return false;
    std::vector<uint16_t> indices;
    for (int index : scene_.segmentPairs()) indices.push_back(uint16_t(index));
    const auto pointsOf = [&](const LineMesh& mesh) {
        std::vector<ColouredPoint> points(scene_.vertices.size() / 3);
        for (size_t i = 0; i < points.size(); ++i)
            points[i] = {{scene_.vertices[3 * i], scene_.vertices[3 * i + 1], scene_.vertices[3 * i + 2]},
                         scene_.rowColours[size_t(mesh.row)]};
        return points;
    };
    upload(thin_, pointsOf, indices,
           {{3, offsetof(ColouredPoint, position)}, {4, offsetof(ColouredPoint, colour), true}});
    thin_.mode = GL_LINES;
    return true;
}

bool LineRawRenderer::buildWide(std::string* error) {
    wide_.program = linkRawProgram(target_.gl(), kWideVertexShader, kFragmentShader, error);
    if (!wide_.program) return false;
    std::vector<QuadCorner> corners;
    std::vector<uint16_t> indices;
    const std::vector<int> pairs = scene_.segmentPairs();
    for (size_t i = 0; i < pairs.size(); i += 2) {
        const float* from = pointOf(scene_, pairs[i]);
        const float* to = pointOf(scene_, pairs[i + 1]);
        const uint16_t first = uint16_t(corners.size());
        for (float end : {0.0f, 1.0f})
            for (float side : {-1.0f, 1.0f})
                corners.push_back({{from[0], from[1], from[2]}, {to[0], to[1], to[2]}, {end, side}});
        for (int k : {0, 1, 2, 1, 3, 2}) indices.push_back(uint16_t(first + k));
    }
    upload(wide_, [&](const LineMesh&) { return corners; }, indices,
           {{3, offsetof(QuadCorner, from)}, {3, offsetof(QuadCorner, to)}, {2, offsetof(QuadCorner, corner)}});
    wide_.mode = GL_TRIANGLES;
    return true;
}

// What the render pass left on the device is what the raw frame draws with.
void LineRawRenderer::setCamera(Kind& kind) {
    const RawGLApi& gl = target_.gl();
    IDirect3DDevice9* device = host_.bench().device();
    D3DMATRIX view{}, projection{};
    device->GetTransform(D3DTS_VIEW, &view);
    device->GetTransform(D3DTS_PROJECTION, &projection);
    D3DXMATRIX viewProjection;
    D3DXMatrixMultiply(&viewProjection, reinterpret_cast<const D3DXMATRIX*>(&view),
                       reinterpret_cast<const D3DXMATRIX*>(&projection));
    // Direct3D samples at integer pixel corners: half a pixel right and down.
    const float shift[2] = {1.0f / float(target_.width()), -1.0f / float(target_.height())};
    gl.ProgramUniformMatrix4fv(kind.program, gl.GetUniformLocation(kind.program, "uViewProjection"), 1, GL_FALSE,
                               &viewProjection._11);
    gl.ProgramUniform2fv(kind.program, gl.GetUniformLocation(kind.program, "uPixelShift"), 1, shift);
    kind.world = gl.GetUniformLocation(kind.program, "uWorld");
    kind.colour = gl.GetUniformLocation(kind.program, "uColour");
}

bool LineRawRenderer::makeCacheImage(std::string* error) {
    const RawGLApi& gl = target_.gl();
    gl.CreateRenderbuffers(1, &cacheImage_);
    gl.NamedRenderbufferStorage(cacheImage_, target_.colourFormat(), GLsizei(target_.width()),
                                GLsizei(target_.height()));
    gl.CreateFramebuffers(1, &cacheFramebuffer_);
    gl.NamedFramebufferRenderbuffer(cacheFramebuffer_, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, cacheImage_);
    if (gl.CheckNamedFramebufferStatus(cacheFramebuffer_, GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE)
        return true;
    *error = "the raw cache image is not a complete framebuffer";
    return false;
}

void LineRawRenderer::drawFrame(int width) {
    target_.makeCurrent();
    const RawGLApi& gl = target_.gl();
    SavedGLState saved(gl);
    target_.beginFrame(scene_.background, D3DCULL_NONE);
    const Kind& kind = width > 1 ? wide_ : thin_;
    gl.UseProgram(kind.program);
    if (width > 1) gl.ProgramUniform1f(kind.program, halfWidth_, float(width) * 0.5f);
    int row = -1;
    for (size_t i = 0; i < scene_.meshes.size(); ++i) {
        const LineMesh& mesh = scene_.meshes[i];
        if (width > 1 && mesh.row != row) {
            row = mesh.row;
            const D3DCOLOR c = scene_.rowColours[size_t(row)];
            const float colour[4] = {float((c >> 16) & 0xFF) * kChannelScale, float((c >> 8) & 0xFF) * kChannelScale,
                                     float(c & 0xFF) * kChannelScale, float(c >> 24) * kChannelScale};
            gl.ProgramUniform4fv(kind.program, kind.colour, 1, colour);
        }
        gl.UniformMatrix4fv(kind.world, 1, GL_FALSE, &mesh.world._11);
        gl.BindVertexArray(kind.meshes[i].vertexArray);
        gl.DrawElements(kind.mode, kind.indexCount, GL_UNSIGNED_SHORT, nullptr);
    }
    const GLint w = GLint(target_.width()), h = GLint(target_.height());
    gl.BlitNamedFramebuffer(target_.framebuffer(), cacheFramebuffer_, 0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT,
                            GL_NEAREST);
    target_.readPixel();
}

void LineRawRenderer::release(Kind& kind) {
    const RawGLApi& gl = target_.gl();
    for (MeshBuffers& mesh : kind.meshes) {
        gl.DeleteVertexArrays(1, &mesh.vertexArray);
        gl.DeleteBuffers(2, mesh.buffers);
    }
    if (kind.program) gl.DeleteProgram(kind.program);
}

LineRawRenderer::~LineRawRenderer() {
    if (!target_.makeCurrent()) return;
    release(thin_);
    release(wide_);
    const RawGLApi& gl = target_.gl();
    if (cacheFramebuffer_) gl.DeleteFramebuffers(1, &cacheFramebuffer_);
    if (cacheImage_) gl.DeleteRenderbuffers(1, &cacheImage_);
}

}  // namespace pelmora::bench
