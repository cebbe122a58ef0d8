// Linked fixed-function programs by key, made on first use and kept for the
// life of the device, with the locations of their transform uniforms.
#pragma once

#include "platform/d3d9/gl/StateNames.h"
#include "platform/d3d9/gl/GLApi.h"

#include <cstdint>
#include <map>

namespace pelmora::d3d9gl {

struct FixedFunctionProgram {
    GLuint program = 0;
    GLint transformMatrices = -1;  // -1 where the program reads none
    GLint transformVectors = -1;
    GLint projection = -1;  // the third matrix, asked for by name
    GLint material = -1;  // the lighting array's material part and lights part
    GLint lights = -1;
    // The projection and transform vectors this program holds.
    bool transformsSent = false;
    float sentProjection[16] = {};
    float sentVectors[8] = {};
    // The lighting generations this program holds (0: none yet).
    uint64_t materialSent = 0;
    uint64_t lightsSent = 0;
};

class ProgramCache {
public:
    explicit ProgramCache(const GLApi& gl) : gl_(gl) {}
    ~ProgramCache();

    ProgramCache(const ProgramCache&) = delete;
    ProgramCache& operator=(const ProgramCache&) = delete;

    // The program for a key; program 0 when it does not compile (logged once per key).
    FixedFunctionProgram& program(const FixedFunctionKey& key);
    size_t size() const { return programs_.size(); }

private:
    FixedFunctionProgram build(const FixedFunctionKey& key);
    GLuint compile(GLenum stage, const std::string& source);

    const GLApi& gl_;
    std::map<FixedFunctionKey, FixedFunctionProgram> programs_;
};

}  // namespace pelmora::d3d9gl
