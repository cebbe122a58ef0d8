// Case B of the host-mesh benchmark, the floor: the same bodies, tessellated
// by the kernel at the deviation the engine asked for, in GL buffers of
// their own (the device's vertex layout, 16-bit indices where they fit, as
// the engine makes them), drawn on the device's context into its back buffer
// with the raw program: one material upload per row, one world matrix per
// body. A frame ends the way the host's does: the picture copied into an
// image of its own size (the viewport's cached image), then one pixel read.
#pragma once

#include "AssemblyHost.h"
#include "AssemblyScene.h"
#include "RawGLProgram.h"
#include "RawGLTarget.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pelmora::bench {

class AssemblyRawRenderer {
public:
    // After the host has drawn one frame: the camera, light, ambient, root
    // material and cull mode are read back from the device as the render
    // pass left them.
    static std::unique_ptr<AssemblyRawRenderer> create(AssemblyHost& host, const AssemblyScene& scene,
                                                       const samplekernel::SampleKernel& kernel, double deviation,
                                                       UINT width, UINT height, std::string* error);
    ~AssemblyRawRenderer();

    AssemblyRawRenderer(const AssemblyRawRenderer&) = delete;
    AssemblyRawRenderer& operator=(const AssemblyRawRenderer&) = delete;

    void drawFrame();
    // drawFrame, then the whole back buffer read into the program's own
    // window image (made once), as the host's present does.
    void drawAndPresentFrame();
    std::vector<uint32_t> readImage() const { return target_.readImage(); }
    uint64_t triangleCount() const { return triangles_; }

private:
    struct Draw {
        GLuint vertexArray = 0;
        GLuint buffers[2] = {};  // vertices, indices
        GLsizei indexCount = 0;
        GLenum indexType = GL_UNSIGNED_SHORT;
    };

    AssemblyRawRenderer(AssemblyHost& host, const AssemblyScene& scene) : host_(host), scene_(scene) {}
    bool build(const samplekernel::SampleKernel& kernel, double deviation, UINT width, UINT height,
               std::string* error);
    void setDeviceState();
    bool makeCacheImage(std::string* error);
    Draw upload(const samplekernel::SampleKernel& kernel, int hostMesh, double deviation);
    D3DMATERIAL9 rowMaterial(const AssemblyRow& row) const;

    AssemblyHost& host_;
    const AssemblyScene& scene_;
    RawGLTarget target_;
    std::unique_ptr<RawGLProgram> program_;
    std::vector<Draw> draws_;
    std::vector<D3DMATERIAL9> rowMaterials_;
    D3DMATERIAL9 rootMaterial_{};
    DWORD cullMode_ = D3DCULL_CW;
    GLuint cacheFramebuffer_ = 0, cacheImage_ = 0;
    uint64_t triangles_ = 0;
    std::vector<uint32_t> window_;
};

}  // namespace pelmora::bench
