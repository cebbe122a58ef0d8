#include "RawGLProgram.h"

#include "platform/d3dx/d3dx9math.h"

#include <array>

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
uniform float uPower;      // specular power
uniform vec2 uPixelShift;  // half-pixel shift per unit w
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
    vSpecular = NdotL > 0.0 && NdotH > 0.0 ? clamp(uSpecular.rgb * pow(NdotH, uPower), 0.0, 1.0)
                                           : vec3(0.0);
    vec4 clip = uViewProjection * world;
    clip.xy += clip.w * uPixelShift;
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

constexpr size_t kLogSize = 2048;

std::array<float, 4> channels(D3DCOLOR colour) {
    return {float((colour >> 16) & 0xFF) / 255.0f, float((colour >> 8) & 0xFF) / 255.0f,
            float(colour & 0xFF) / 255.0f, float(colour >> 24) / 255.0f};
}

}  // namespace

std::unique_ptr<RawGLProgram> RawGLProgram::create(const RawGLApi& gl, std::string* error) {
    std::unique_ptr<RawGLProgram> program(new RawGLProgram(gl));
    if (!program->build(error)) return nullptr;
    return program;
}

bool RawGLProgram::build(std::string* error) {
    program_ = linkRawProgram(gl_, kVertexShader, kFragmentShader, error);
    if (!program_) return false;
    worldLocation_ = uniform("uWorld");
    baseLocation_ = uniform("uBase");
    diffuseLocation_ = uniform("uDiffuse");
    specularLocation_ = uniform("uSpecular");
    powerLocation_ = uniform("uPower");
    return true;
}

namespace {

GLuint compile(const RawGLApi& gl, GLenum stage, const char* source, std::string* error) {
    const GLuint shader = gl.CreateShader(stage);
    gl.ShaderSource(shader, 1, &source, nullptr);
    gl.CompileShader(shader);
    GLint compiled = GL_FALSE;
    gl.GetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled) return shader;
    char log[kLogSize] = {};
    gl.GetShaderInfoLog(shader, sizeof log, nullptr, log);
    *error = std::string("a raw shader does not compile: ") + log;
    gl.DeleteShader(shader);
    return 0;
}

}  // namespace

GLuint linkRawProgram(const RawGLApi& gl, const char* vertexSource, const char* fragmentSource,
                      std::string* error) {
    const GLuint vertex = compile(gl, GL_VERTEX_SHADER, vertexSource, error);
    const GLuint fragment = compile(gl, GL_FRAGMENT_SHADER, fragmentSource, error);
    GLuint program = 0;
    if (vertex && fragment) {
        program = gl.CreateProgram();
        gl.AttachShader(program, vertex);
        gl.AttachShader(program, fragment);
        gl.LinkProgram(program);
        GLint linked = GL_FALSE;
        gl.GetProgramiv(program, GL_LINK_STATUS, &linked);
        if (!linked) {
            char log[kLogSize] = {};
            gl.GetProgramInfoLog(program, sizeof log, nullptr, log);
            *error = std::string("a raw program does not link: ") + log;
            gl.DeleteProgram(program);
            program = 0;
        }
    }
    if (vertex) gl.DeleteShader(vertex);
    if (fragment) gl.DeleteShader(fragment);
    return program;
}

GLint RawGLProgram::uniform(const char* name) const { return gl_.GetUniformLocation(program_, name); }

void RawGLProgram::setCamera(const D3DMATRIX& view, const D3DMATRIX& projection, UINT width, UINT height) {
    D3DXMATRIX viewProjection, inverseView;
    D3DXMatrixMultiply(&viewProjection, &view, &projection);
    D3DXMatrixInverse(&inverseView, nullptr, &view);
    const float eye[4] = {inverseView._41, inverseView._42, inverseView._43, 1.0f};
    // Direct3D samples at integer pixel corners: half a pixel right and down.
    const float shift[2] = {1.0f / float(width), -1.0f / float(height)};
    gl_.ProgramUniformMatrix4fv(program_, uniform("uViewProjection"), 1, GL_FALSE, &viewProjection._11);
    gl_.ProgramUniform4fv(program_, uniform("uEye"), 1, eye);
    gl_.ProgramUniform2fv(program_, uniform("uPixelShift"), 1, shift);
}

void RawGLProgram::setLight(const D3DLIGHT9& light, D3DCOLOR ambient) {
    light_ = light;
    ambient_ = ambient;
    D3DXVECTOR3 toLight(-light.Direction.x, -light.Direction.y, -light.Direction.z);
    D3DXVec3Normalize(&toLight, &toLight);
    const float direction[4] = {toLight.x, toLight.y, toLight.z, 0.0f};
    gl_.ProgramUniform4fv(program_, uniform("uToLight"), 1, direction);
}

void RawGLProgram::setMaterial(const D3DMATERIAL9& m) {
    const D3DLIGHT9& l = light_;
    const auto global = channels(ambient_);
    const float base[4] = {m.Ambient.r * (global[0] + l.Ambient.r) + m.Emissive.r,
                           m.Ambient.g * (global[1] + l.Ambient.g) + m.Emissive.g,
                           m.Ambient.b * (global[2] + l.Ambient.b) + m.Emissive.b, 1.0f};
    const float diffuse[4] = {m.Diffuse.r * l.Diffuse.r, m.Diffuse.g * l.Diffuse.g, m.Diffuse.b * l.Diffuse.b,
                              m.Diffuse.a};
    const float specular[4] = {m.Specular.r * l.Specular.r, m.Specular.g * l.Specular.g,
                               m.Specular.b * l.Specular.b, 0.0f};
    gl_.ProgramUniform4fv(program_, baseLocation_, 1, base);
    gl_.ProgramUniform4fv(program_, diffuseLocation_, 1, diffuse);
    gl_.ProgramUniform4fv(program_, specularLocation_, 1, specular);
    gl_.ProgramUniform1f(program_, powerLocation_, m.Power);
}

void RawGLProgram::setWorld(const D3DMATRIX& world) const {
    gl_.UniformMatrix4fv(worldLocation_, 1, GL_FALSE, &world._11);
}

RawGLProgram::~RawGLProgram() {
    if (program_) gl_.DeleteProgram(program_);
}

}  // namespace pelmora::bench
