// The one hand-written program of the raw-GL baselines: per-vertex
// directional lighting (ambient, diffuse, local-viewer specular) as the
// device's fixed function computes it for one directional light, written
// once, with nothing switched per draw but the world matrix and, between
// groups of draws, the material.
#pragma once

#include "RawGLApi.h"
#include "platform/d3d9/d3d9.h"

#include <memory>
#include <string>

namespace pelmora::bench {

// A linked program of the two stages, or 0 with the compiler's or linker's
// complaint. Needs the context current.
GLuint linkRawProgram(const RawGLApi& gl, const char* vertexSource, const char* fragmentSource,
                      std::string* error);

class RawGLProgram {
public:
    // Needs the context current and the entry points loaded; nullptr with a
    // reason when a shader does not compile or the program does not link.
    static std::unique_ptr<RawGLProgram> create(const RawGLApi& gl, std::string* error);
    ~RawGLProgram();

    RawGLProgram(const RawGLProgram&) = delete;
    RawGLProgram& operator=(const RawGLProgram&) = delete;

    // The camera and the target size, fixed for the whole frame.
    void setCamera(const D3DMATRIX& view, const D3DMATRIX& projection, UINT width, UINT height);
    // The light and the global ambient (D3DRS_AMBIENT); materials set later
    // are combined with them.
    void setLight(const D3DLIGHT9& light, D3DCOLOR ambient);
    void setMaterial(const D3DMATERIAL9& material);

    void use() const { gl_.UseProgram(program_); }
    // One uniform upload; the program must be in use.
    void setWorld(const D3DMATRIX& world) const;

private:
    RawGLProgram(const RawGLApi& gl) : gl_(gl) {}
    bool build(std::string* error);
    GLint uniform(const char* name) const;

    const RawGLApi& gl_;
    GLuint program_ = 0;
    GLint worldLocation_ = -1;
    GLint baseLocation_ = -1, diffuseLocation_ = -1, specularLocation_ = -1, powerLocation_ = -1;
    D3DLIGHT9 light_{};
    D3DCOLOR ambient_ = 0;
};

}  // namespace pelmora::bench
