// Case B of the billboard benchmark, the floor: the same textured quads
// drawn by hand on the device's context into its back buffer. The symbol
// art is uploaded once as a texture of its own; per frame every anchor is
// projected with the viewport's matrices, the quads go to one stream buffer
// in one upload, and each quad is one draw call, as the engine draws each
// billboard by itself. The program does what the device's fixed function
// does for them: texture times vertex colour, the texture's alpha tested
// against 15, blended by it. A frame ends as the host's does: the picture
// copied into an image of its own size, then one pixel read. For scale,
// drawFrameBatched draws all the quads in a single call.
#pragma once

#include "BillboardHost.h"
#include "RawGLTarget.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pelmora::bench {

class BillboardRawRenderer {
public:
    // After the host has drawn one frame (the viewport's matrices are set).
    static std::unique_ptr<BillboardRawRenderer> create(BillboardHost& host, const std::vector<BillboardMark>& marks,
                                                        UINT width, UINT height, std::string* error);
    ~BillboardRawRenderer();

    BillboardRawRenderer(const BillboardRawRenderer&) = delete;
    BillboardRawRenderer& operator=(const BillboardRawRenderer&) = delete;

    void drawFrame() { frame(false); }
    void drawFrameBatched() { frame(true); }
    std::vector<uint32_t> readImage() const { return target_.readImage(); }

private:
    struct Vertex {
        float x, y, z, rhw;
        uint32_t colour;
        float u, v;
    };

    BillboardRawRenderer(BillboardHost& host, const std::vector<BillboardMark>& marks) : host_(host), marks_(marks) {}
    bool build(UINT width, UINT height, std::string* error);
    bool buildProgram(std::string* error);
    void buildAtlas();
    void buildBuffers();
    bool buildCacheImage(std::string* error);
    void layQuads();
    void frame(bool batched);

    BillboardHost& host_;
    const std::vector<BillboardMark>& marks_;
    RawGLTarget target_;
    GLuint program_ = 0, atlas_ = 0, vertexArray_ = 0;
    GLuint buffers_[2] = {};  // stream vertices, indices of every quad
    GLuint cacheFramebuffer_ = 0, cacheImage_ = 0;
    std::vector<Vertex> vertices_;
};

}  // namespace pelmora::bench
