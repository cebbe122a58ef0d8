#include "platform/d3d9/gl/ProgramCache.h"

#include "core/Diagnostics.h"
#include "platform/d3d9/gl/FixedFunctionGenerator.h"
#include "platform/d3d9/gl/FixedFunctionUniforms.h"

#include <vector>

namespace pelmora::d3d9gl {

ProgramCache::~ProgramCache() {
    for (const auto& [key, made] : programs_)
        if (made.program) gl_.DeleteProgram(made.program);
}

FixedFunctionProgram& ProgramCache::program(const FixedFunctionKey& key) {
    auto found = programs_.find(key);
    if (found != programs_.end()) return found->second;
    return programs_.emplace(key, build(key)).first->second;
}

GLuint ProgramCache::compile(GLenum stage, const std::string& source) {
    const GLuint shader = gl_.CreateShader(stage);
    const char* text = source.c_str();
    gl_.ShaderSource(shader, 1, &text, nullptr);
    gl_.CompileShader(shader);
    GLint compiled = GL_FALSE;
    gl_.GetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled) return shader;
    std::vector<char> log(4096);
    gl_.GetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), nullptr, log.data());
    logFormat("Direct3D9: fixed-function shader does not compile: %s\n%s\n", log.data(), text);
    gl_.DeleteShader(shader);
    return 0;
}

FixedFunctionProgram ProgramCache::build(const FixedFunctionKey& key) {
    const GLuint vertex = compile(GL_VERTEX_SHADER, vertexShaderSource(key));
    const GLuint fragment = compile(GL_FRAGMENT_SHADER, fragmentShaderSource(key));
    GLuint program = 0;
    if (vertex && fragment) {
        program = gl_.CreateProgram();
        gl_.AttachShader(program, vertex);
        gl_.AttachShader(program, fragment);
        gl_.LinkProgram(program);
        GLint linked = GL_FALSE;
        gl_.GetProgramiv(program, GL_LINK_STATUS, &linked);
        if (!linked) {
            std::vector<char> log(4096);
            gl_.GetProgramInfoLog(program, static_cast<GLsizei>(log.size()), nullptr, log.data());
            logFormat("Direct3D9: fixed-function program does not link: %s\n", log.data());
            gl_.DeleteProgram(program);
            program = 0;
        }
    }
    if (vertex) gl_.DeleteShader(vertex);
    if (fragment) gl_.DeleteShader(fragment);
    if (!program) return {};
    FixedFunctionProgram made;
    made.program = program;
    made.transformMatrices = gl_.GetUniformLocation(program, kTransformMatricesName);
    made.transformVectors = gl_.GetUniformLocation(program, kTransformVectorsName);
    made.projection = gl_.GetUniformLocation(program, kProjectionElementName);
    // Array elements are asked for by name: their locations need not follow each other.
    made.material = gl_.GetUniformLocation(program, kLightingName);
    const std::string firstLight = std::string(kLightingName) + "[" + std::to_string(kMaterialVectors) + "]";
    made.lights = gl_.GetUniformLocation(program, firstLight.c_str());
    return made;
}

}  // namespace pelmora::d3d9gl
