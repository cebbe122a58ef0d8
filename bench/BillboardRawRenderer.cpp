#include "BillboardRawRenderer.h"

#include "SavedGLState.h"

#include "platform/d3d9/gl/GLDevice.h"
#include "platform/d3dx/D3DXSymbolAtlas.h"

namespace pelmora::bench {
namespace {

// Positions are the device's pretransformed pixels: Direct3D samples pixels
// at their integer corners, hence the half-pixel shift.
const char kVertexShader[] = R"(#version 450 core
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec4 aColour;
layout(location = 2) in vec2 aTexCoord;
uniform vec2 uSize;
out vec4 vColour;
out vec2 vTexCoord;
void main() {
    vec2 ndc = vec2(2.0 * aPosition.x / uSize.x - 1.0, 1.0 - 2.0 * aPosition.y / uSize.y);
    ndc += vec2(1.0 / uSize.x, -1.0 / uSize.y);
    vColour = aColour;
    vTexCoord = aTexCoord;
    gl_Position = vec4(ndc, aPosition.z, 1.0);
}
)";

const char kFragmentShader[] = R"(#version 450 core
layout(binding = 5) uniform sampler2D uAtlas;
in vec4 vColour;
in vec2 vTexCoord;
layout(location = 0) out vec4 fragColour;
void main() {
    vec4 texel = texture(uAtlas, vTexCoord);
    if (round(texel.a * 255.0) < 15.0) discard;
    fragColour = vec4(texel.rgb * vColour.rgb, texel.a);
}
)";

// The texture unit the raw frame uses: one the device never binds, so its
// record of what is bound stays true.
constexpr GLuint kAtlasUnit = 5;
constexpr int kLogSize = 2048;
constexpr GLuint kPositionLocation = 0, kColourLocation = 1, kTexCoordLocation = 2;
constexpr uint16_t kQuadIndices[] = {0, 1, 2, 2, 1, 3};
constexpr uint32_t kWhite = 0xFFFFFFFFu;
// Each quad is laid half a pixel up and left, as the engine lays them.
constexpr float kTexelCentreShift = 0.5f;

uint32_t atlasTexel(uint8_t index) {
    switch (index) {
        case d3dx::kAtlasWhite: return 0xFFFFFFFFu;
        case d3dx::kAtlasLightGrey: return 0xFFC0C0C0u;
        case d3dx::kAtlasDarkGrey: return 0xFF808080u;
        default: return 0;  // black is keyed out
    }
}

GLuint compile(const RawGLApi& gl, GLenum stage, const char* source, std::string* error) {
    const GLuint shader = gl.CreateShader(stage);
    gl.ShaderSource(shader, 1, &source, nullptr);
    gl.CompileShader(shader);
    GLint compiled = GL_FALSE;
    gl.GetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled) return shader;
    char log[kLogSize] = {};
    gl.GetShaderInfoLog(shader, sizeof log, nullptr, log);
    *error = std::string("a raw billboard shader does not compile: ") + log;
    gl.DeleteShader(shader);
    return 0;
}

}  // namespace

std::unique_ptr<BillboardRawRenderer> BillboardRawRenderer::create(BillboardHost& host,
                                                                   const std::vector<BillboardMark>& marks,
                                                                   UINT width, UINT height, std::string* error) {
    std::unique_ptr<BillboardRawRenderer> renderer(new BillboardRawRenderer(host, marks));
    if (!renderer->build(width, height, error)) return nullptr;
    return renderer;
}

bool BillboardRawRenderer::build(UINT width, UINT height, std::string* error) {
    if (!target_.open(host_.glDevice(), width, height, error) || !buildProgram(error)) return false;
    const float size[2] = {float(width), float(height)};
    target_.gl().ProgramUniform2fv(program_, target_.gl().GetUniformLocation(program_, "uSize"), 1, size);
    buildAtlas();
    buildBuffers();
    return buildCacheImage(error);
}

bool BillboardRawRenderer::buildProgram(std::string* error) {
    const RawGLApi& gl = target_.gl();
    const GLuint vertex = compile(gl, GL_VERTEX_SHADER, kVertexShader, error);
    const GLuint fragment = compile(gl, GL_FRAGMENT_SHADER, kFragmentShader, error);
    if (vertex && fragment) {
        program_ = gl.CreateProgram();
        gl.AttachShader(program_, vertex);
        gl.AttachShader(program_, fragment);
        gl.LinkProgram(program_);
        GLint linked = GL_FALSE;
        gl.GetProgramiv(program_, GL_LINK_STATUS, &linked);
        if (!linked) *error = "the raw billboard program does not link";
    }
    if (vertex) gl.DeleteShader(vertex);
    if (fragment) gl.DeleteShader(fragment);
    return error->empty();
}

// The same artwork the engine loads, in the same colours, sampled nearest.
void BillboardRawRenderer::buildAtlas() {
    const RawGLApi& gl = target_.gl();
    std::vector<uint32_t> texels;
    for (uint8_t index : d3dx::symbolAtlasIndices()) texels.push_back(atlasTexel(index));
    gl.CreateTextures(GL_TEXTURE_2D, 1, &atlas_);
    gl.TextureStorage2D(atlas_, 1, GL_RGBA8, d3dx::kAtlasSize, d3dx::kAtlasSize);
    gl.TextureSubImage2D(atlas_, 0, 0, 0, d3dx::kAtlasSize, d3dx::kAtlasSize, GL_BGRA, GL_UNSIGNED_BYTE,
                         texels.data());
    gl.TextureParameteri(atlas_, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl.TextureParameteri(atlas_, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}

// A stream buffer for every quad's corners, and the indices of every quad
// (the per-quad draws use the first six with a base vertex).
void BillboardRawRenderer::buildBuffers() {
    const RawGLApi& gl = target_.gl();
    std::vector<uint32_t> indices;
    for (uint32_t quad = 0; quad < marks_.size(); ++quad)
        for (uint16_t index : kQuadIndices) indices.push_back(quad * 4 + index);
    vertices_.resize(marks_.size() * 4);
    gl.CreateBuffers(2, buffers_);
    gl.NamedBufferStorage(buffers_[0], GLsizeiptr(vertices_.size() * sizeof(Vertex)), nullptr, GL_DYNAMIC_STORAGE_BIT);
    gl.NamedBufferStorage(buffers_[1], GLsizeiptr(indices.size() * sizeof(uint32_t)), indices.data(), 0);
    gl.CreateVertexArrays(1, &vertexArray_);
    gl.VertexArrayVertexBuffer(vertexArray_, 0, buffers_[0], 0, sizeof(Vertex));
    gl.VertexArrayElementBuffer(vertexArray_, buffers_[1]);
    const struct {
        GLuint location;
        GLint size;
        GLenum type;
        GLboolean normalised;
        GLuint offset;
    } attributes[] = {{kPositionLocation, 4, GL_FLOAT, GL_FALSE, offsetof(Vertex, x)},
                      {kColourLocation, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, offsetof(Vertex, colour)},
                      {kTexCoordLocation, 2, GL_FLOAT, GL_FALSE, offsetof(Vertex, u)}};
    for (const auto& a : attributes) {
        gl.EnableVertexArrayAttrib(vertexArray_, a.location);
        gl.VertexArrayAttribFormat(vertexArray_, a.location, a.size, a.type, a.normalised, a.offset);
        gl.VertexArrayAttribBinding(vertexArray_, a.location, 0);
    }
}

bool BillboardRawRenderer::buildCacheImage(std::string* error) {
    const RawGLApi& gl = target_.gl();
    gl.CreateRenderbuffers(1, &cacheImage_);
    gl.NamedRenderbufferStorage(cacheImage_, target_.colourFormat(), GLsizei(target_.width()),
                                GLsizei(target_.height()));
    gl.CreateFramebuffers(1, &cacheFramebuffer_);
    gl.NamedFramebufferRenderbuffer(cacheFramebuffer_, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, cacheImage_);
    if (gl.CheckNamedFramebufferStatus(cacheFramebuffer_, GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) return true;
    *error = "the raw cache image is not a complete framebuffer";
    return false;
}

// Every anchor projected with the viewport's matrices, the quad laid around
// it over the symbol's atlas cell.
void BillboardRawRenderer::layQuads() {
    const ViewTransforms transforms = host_.transforms();
    for (size_t i = 0; i < marks_.size(); ++i) {
        const BillboardMark& mark = marks_[i];
        const ScreenPoint at = worldToScreen(transforms, D3DXVECTOR3(float(mark.x), -float(mark.y), 0.0f));
        const d3dx::AtlasCell cell = d3dx::atlasCellOf(mark.id);
        const float x0 = float(at.x) - float(mark.anchorX) - kTexelCentreShift;
        const float y0 = float(at.y) - float(mark.anchorY) - kTexelCentreShift;
        const float x1 = x0 + float(cell.size), y1 = y0 + float(cell.size);
        const float u0 = float(cell.x) / d3dx::kAtlasSize, v0 = float(cell.y) / d3dx::kAtlasSize;
        const float u1 = float(cell.x + cell.size) / d3dx::kAtlasSize;
        const float v1 = float(cell.y + cell.size) / d3dx::kAtlasSize;
        const float z = float(at.z), rhw = float(at.w);
        Vertex* quad = &vertices_[i * 4];
        quad[0] = {x0, y0, z, rhw, kWhite, u0, v0};
        quad[1] = {x0, y1, z, rhw, kWhite, u0, v1};
        quad[2] = {x1, y0, z, rhw, kWhite, u1, v0};
        quad[3] = {x1, y1, z, rhw, kWhite, u1, v1};
    }
}

void BillboardRawRenderer::frame(bool batched) {
    target_.makeCurrent();
    const RawGLApi& gl = target_.gl();
    SavedGLState saved(gl);
    target_.beginFrame(BillboardHost::kBackground, D3DCULL_NONE);
    gl.Enable(GL_BLEND);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl.UseProgram(program_);
    gl.BindTextureUnit(kAtlasUnit, atlas_);
    gl.BindVertexArray(vertexArray_);
    layQuads();
    gl.NamedBufferSubData(buffers_[0], 0, GLsizeiptr(vertices_.size() * sizeof(Vertex)), vertices_.data());
    if (batched) {
        gl.DrawElements(GL_TRIANGLES, GLsizei(marks_.size() * 6), GL_UNSIGNED_INT, nullptr);
    } else {
        for (size_t i = 0; i < marks_.size(); ++i)
            gl.DrawElementsBaseVertex(GL_TRIANGLES, 6, GL_UNSIGNED_INT, nullptr, GLint(i * 4));
    }
    gl.BindTextureUnit(kAtlasUnit, 0);
    const GLint w = GLint(target_.width()), h = GLint(target_.height());
    gl.BlitNamedFramebuffer(target_.framebuffer(), cacheFramebuffer_, 0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT,
                            GL_NEAREST);
    target_.readPixel();
}

BillboardRawRenderer::~BillboardRawRenderer() {
    if (!target_.makeCurrent()) return;
    const RawGLApi& gl = target_.gl();
    if (vertexArray_) gl.DeleteVertexArrays(1, &vertexArray_);
    gl.DeleteBuffers(2, buffers_);
    if (atlas_) gl.DeleteTextures(1, &atlas_);
    if (cacheFramebuffer_) gl.DeleteFramebuffers(1, &cacheFramebuffer_);
    if (cacheImage_) gl.DeleteRenderbuffers(1, &cacheImage_);
    if (program_) gl.DeleteProgram(program_);
}

}  // namespace pelmora::bench
