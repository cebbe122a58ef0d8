#include "RawGLRenderer.h"

#include "platform/d3d9/gl/GLDevice.h"
#include "platform/d3d9/gl/GLIndexBuffer.h"
#include "platform/d3d9/gl/GLSurface.h"
#include "platform/d3d9/gl/GLVertexBuffer.h"
#include "platform/d3dx/d3dx9math.h"

#include <array>
#include <cmath>
#include <cstring>

namespace pelmora::bench {
namespace {

// Matrices are Direct3D's row-major memory uploaded unchanged, so "M * v"
// in GLSL is Direct3D's "v * M". Lighting is done in world space: the view
// is rigid, so it gives what the device computes in camera space.
const char kVertexShader[] = R"(#version 450 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
uniform mat4 uWorld;
uniform mat4 uViewProjection;
uniform vec4 uEye;         // camera position, world space
uniform vec4 uToLight;     // unit vector towards the light, world space
uniform vec4 uBase;        // material ambient * (global + light ambient) + emissive
uniform vec4 uDiffuse;     // material diffuse * light diffuse; a: material alpha
uniform vec4 uSpecular;    // material specular * light specular
uniform vec4 uPowerShift;  // x: specular power; zw: half-pixel shift per unit w
out vec4 vDiffuse;
out vec3 vSpecular;
void main() {
    vec4 world = uWorld * vec4(aPosition, 1.0);
    vec3 N = normalize(mat3(uWorld) * aNormal);
    vec3 L = uToLight.xyz;
    vec3 H = normalize(L + normalize(uEye.xyz - world.xyz));
    float NdotL = dot(N, L);
    float NdotH = dot(N, H);
    vDiffuse = clamp(vec4(uBase.rgb + uDiffuse.rgb * max(NdotL, 0.0), uDiffuse.a), 0.0, 1.0);
    vSpecular = NdotL > 0.0 && NdotH > 0.0 ? clamp(uSpecular.rgb * pow(NdotH, uPowerShift.x), 0.0, 1.0)
                                           : vec3(0.0);
    vec4 clip = uViewProjection * world;
    clip.xy += clip.w * uPowerShift.zw;
    gl_Position = clip;
}
)";

const char kFragmentShader[] = R"(#version 450 core
in vec4 vDiffuse;
in vec3 vSpecular;
layout(location = 0) out vec4 fragColour;
void main() {
    fragColour = vec4(min(vDiffuse.rgb + vSpecular, vec3(1.0)), vDiffuse.a);
}
)";

constexpr GLuint kPositionLocation = 0;
constexpr GLuint kNormalLocation = 1;
constexpr GLuint kNormalOffset = 12;

std::array<float, 4> channels(D3DCOLOR colour) {
    return {float((colour >> 16) & 0xFF) / 255.0f, float((colour >> 8) & 0xFF) / 255.0f,
            float(colour & 0xFF) / 255.0f, float(colour >> 24) / 255.0f};
}

// The GL state a raw frame changes, saved before and put back after it.
class SavedState {
public:
    explicit SavedState(const RawGLApi& gl) : gl_(gl) {
        gl.GetIntegerv(GL_CURRENT_PROGRAM, &program_);
        gl.GetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray_);
        gl.GetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer_);
        gl.GetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer_);
        gl.GetIntegerv(GL_VIEWPORT, viewport_);
        gl.GetIntegerv(GL_CULL_FACE_MODE, &cullFace_);
        gl.GetIntegerv(GL_DEPTH_FUNC, &depthFunc_);
        gl.GetFloatv(GL_COLOR_CLEAR_VALUE, clearColour_);
        gl.GetFloatv(GL_DEPTH_CLEAR_VALUE, &clearDepth_);
        gl.GetBooleanv(GL_DEPTH_WRITEMASK, &depthMask_);
        gl.GetBooleanv(GL_COLOR_WRITEMASK, colourMask_);
        for (size_t i = 0; i < kCapabilities.size(); ++i) enabled_[i] = gl.IsEnabled(kCapabilities[i]);
    }

    ~SavedState() {
        gl_.UseProgram(GLuint(program_));
        gl_.BindVertexArray(GLuint(vertexArray_));
        gl_.BindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(drawFramebuffer_));
        gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(readFramebuffer_));
        gl_.Viewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
        gl_.CullFace(GLenum(cullFace_));
        gl_.DepthFunc(GLenum(depthFunc_));
        gl_.ClearColor(clearColour_[0], clearColour_[1], clearColour_[2], clearColour_[3]);
        gl_.ClearDepthf(clearDepth_);
        gl_.DepthMask(depthMask_);
        gl_.ColorMask(colourMask_[0], colourMask_[1], colourMask_[2], colourMask_[3]);
        for (size_t i = 0; i < kCapabilities.size(); ++i)
            enabled_[i] ? gl_.Enable(kCapabilities[i]) : gl_.Disable(kCapabilities[i]);
    }

    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;

private:
    static constexpr std::array<GLenum, 4> kCapabilities = {GL_DEPTH_TEST, GL_CULL_FACE, GL_BLEND, GL_SCISSOR_TEST};

    const RawGLApi& gl_;
    GLint program_ = 0, vertexArray_ = 0, drawFramebuffer_ = 0, readFramebuffer_ = 0;
    GLint viewport_[4] = {};
    GLint cullFace_ = 0, depthFunc_ = 0;
    GLfloat clearColour_[4] = {}, clearDepth_ = 1.0f;
    GLboolean depthMask_ = GL_TRUE, colourMask_[4] = {};
    std::array<GLboolean, kCapabilities.size()> enabled_{};
};

}  // namespace

std::unique_ptr<RawGLRenderer> RawGLRenderer::create(DeviceRenderer& device, const ReferenceScene& scene,
                                                     UINT width, UINT height, std::string* error) {
    std::unique_ptr<RawGLRenderer> renderer(new RawGLRenderer(device, scene));
    if (!renderer->build(width, height, error)) return nullptr;
    return renderer;
}

bool RawGLRenderer::build(UINT width, UINT height, std::string* error) {
    d3d9gl::GLDevice& glDevice = device_.glDevice();
    if (!glDevice.makeCurrent()) {
        *error = "the device's context cannot be made current";
        return false;
    }
    std::string missing;
    if (!gl_.load(&missing)) {
        *error = "OpenGL entry point missing: " + missing;
        return false;
    }
    const GLuint vertex = compile(GL_VERTEX_SHADER, kVertexShader, error);
    const GLuint fragment = compile(GL_FRAGMENT_SHADER, kFragmentShader, error);
    if (vertex && fragment) {
        program_ = gl_.CreateProgram();
        gl_.AttachShader(program_, vertex);
        gl_.AttachShader(program_, fragment);
        gl_.LinkProgram(program_);
        GLint linked = GL_FALSE;
        gl_.GetProgramiv(program_, GL_LINK_STATUS, &linked);
        if (!linked) {
            char log[2048] = {};
            gl_.GetProgramInfoLog(program_, sizeof log, nullptr, log);
            *error = std::string("the raw program does not link: ") + log;
        }
    }
    if (vertex) gl_.DeleteShader(vertex);
    if (fragment) gl_.DeleteShader(fragment);
    if (!error->empty()) return false;
    IDirect3DSurface9* backBuffer = nullptr;
    glDevice.GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
    framebuffer_ = static_cast<d3d9gl::GLSurface*>(backBuffer)->image().framebuffer();
    backBuffer->Release();
    width_ = width;
    height_ = height;
    setConstants(width, height);
    makeVertexArrays();
    return true;
}

GLuint RawGLRenderer::compile(GLenum stage, const char* source, std::string* error) {
    const GLuint shader = gl_.CreateShader(stage);
    gl_.ShaderSource(shader, 1, &source, nullptr);
    gl_.CompileShader(shader);
    GLint compiled = GL_FALSE;
    gl_.GetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled) return shader;
    char log[2048] = {};
    gl_.GetShaderInfoLog(shader, sizeof log, nullptr, log);
    *error = std::string("a raw shader does not compile: ") + log;
    gl_.DeleteShader(shader);
    return 0;
}

// Everything but the world matrix is the same for the whole frame.
void RawGLRenderer::setConstants(UINT width, UINT height) {
    D3DXMATRIX viewProjection, inverseView;
    D3DXMatrixMultiply(&viewProjection, &scene_.view, &scene_.projection);
    D3DXMatrixInverse(&inverseView, nullptr, &scene_.view);
    const float eye[4] = {inverseView._41, inverseView._42, inverseView._43, 1.0f};
    D3DXVECTOR3 toLight(-scene_.light.Direction.x, -scene_.light.Direction.y, -scene_.light.Direction.z);
    D3DXVec3Normalize(&toLight, &toLight);
    const float light[4] = {toLight.x, toLight.y, toLight.z, 0.0f};
    const D3DMATERIAL9& m = scene_.material;
    const D3DLIGHT9& l = scene_.light;
    const auto global = channels(scene_.ambient);
    const float base[4] = {m.Ambient.r * (global[0] + l.Ambient.r) + m.Emissive.r,
                           m.Ambient.g * (global[1] + l.Ambient.g) + m.Emissive.g,
                           m.Ambient.b * (global[2] + l.Ambient.b) + m.Emissive.b, 1.0f};
    const float diffuse[4] = {m.Diffuse.r * l.Diffuse.r, m.Diffuse.g * l.Diffuse.g, m.Diffuse.b * l.Diffuse.b,
                              m.Diffuse.a};
    const float specular[4] = {m.Specular.r * l.Specular.r, m.Specular.g * l.Specular.g,
                               m.Specular.b * l.Specular.b, 0.0f};
    // Direct3D samples at integer pixel corners: half a pixel right and down.
    const float powerShift[4] = {m.Power, 0.0f, 1.0f / float(width), -1.0f / float(height)};
    const auto uniform = [this](const char* name) { return gl_.GetUniformLocation(program_, name); };
    gl_.ProgramUniformMatrix4fv(program_, uniform("uViewProjection"), 1, GL_FALSE, &viewProjection._11);
    gl_.ProgramUniform4fv(program_, uniform("uEye"), 1, eye);
    gl_.ProgramUniform4fv(program_, uniform("uToLight"), 1, light);
    gl_.ProgramUniform4fv(program_, uniform("uBase"), 1, base);
    gl_.ProgramUniform4fv(program_, uniform("uDiffuse"), 1, diffuse);
    gl_.ProgramUniform4fv(program_, uniform("uSpecular"), 1, specular);
    gl_.ProgramUniform4fv(program_, uniform("uPowerShift"), 1, powerShift);
    worldLocation_ = uniform("uWorld");
}

// One vertex array per body over the very buffers the device draws from.
void RawGLRenderer::makeVertexArrays() {
    for (const DeviceBody& body : device_.bodies()) {
        const GLuint vertices = static_cast<d3d9gl::GLVertexBuffer*>(body.vertices)->storage().bufferForDraw();
        const GLuint indices = static_cast<d3d9gl::GLIndexBuffer*>(body.indices)->storage().bufferForDraw();
        GLuint array = 0;
        gl_.CreateVertexArrays(1, &array);
        gl_.VertexArrayVertexBuffer(array, 0, vertices, 0, sizeof(SceneVertex));
        gl_.VertexArrayElementBuffer(array, indices);
        for (GLuint location : {kPositionLocation, kNormalLocation}) {
            gl_.EnableVertexArrayAttrib(array, location);
            gl_.VertexArrayAttribFormat(array, location, 3, GL_FLOAT, GL_FALSE,
                                        location == kNormalLocation ? kNormalOffset : 0);
            gl_.VertexArrayAttribBinding(array, location, 0);
        }
        vertexArrays_.push_back(array);
        indexCounts_.push_back(GLsizei(body.triangleCount * 3));
    }
}

void RawGLRenderer::setPipelineState() {
    gl_.BindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_);
    gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    gl_.Viewport(0, 0, GLsizei(width_), GLsizei(height_));
    gl_.Enable(GL_DEPTH_TEST);
    gl_.DepthFunc(GL_LEQUAL);
    gl_.DepthMask(GL_TRUE);
    gl_.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    // Front faces are clockwise on this context; Direct3D's CULL_CW culls them.
    gl_.Enable(GL_CULL_FACE);
    gl_.CullFace(GL_FRONT);
    gl_.Disable(GL_BLEND);
    gl_.Disable(GL_SCISSOR_TEST);
    const auto clear = channels(scene_.background);
    gl_.ClearColor(clear[0], clear[1], clear[2], clear[3]);
    gl_.ClearDepthf(1.0f);
    gl_.UseProgram(program_);
}

void RawGLRenderer::drawFrame() {
    device_.glDevice().makeCurrent();
    SavedState saved(gl_);
    setPipelineState();
    gl_.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const std::vector<Body>& bodies = scene_.bodies;
    for (size_t i = 0; i < vertexArrays_.size(); ++i) {
        gl_.UniformMatrix4fv(worldLocation_, 1, GL_FALSE, &bodies[i].world._11);
        gl_.BindVertexArray(vertexArrays_[i]);
        gl_.DrawElements(GL_TRIANGLES, indexCounts_[i], GL_UNSIGNED_SHORT, nullptr);
    }
    uint32_t pixel = 0;
    gl_.ReadPixels(0, 0, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE, &pixel);
}

std::vector<uint32_t> RawGLRenderer::readImage() {
    device_.glDevice().makeCurrent();
    SavedState saved(gl_);
    gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    std::vector<uint32_t> pixels(size_t(width_) * height_);
    // Rows come bottom-up in GL terms, which with the device's upper-left
    // origin is the top row first.
    gl_.ReadPixels(0, 0, GLsizei(width_), GLsizei(height_), GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

RawGLRenderer::~RawGLRenderer() {
    if (!device_.glDevice().makeCurrent()) return;
    if (!vertexArrays_.empty()) gl_.DeleteVertexArrays(GLsizei(vertexArrays_.size()), vertexArrays_.data());
    if (program_) gl_.DeleteProgram(program_);
}

}  // namespace pelmora::bench
