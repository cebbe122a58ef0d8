// Case B of the line benchmark, the floor: the same sketches in GL buffers of
// their own, drawn on the device's context into its back buffer by
// hand-written programs, one world matrix and one draw per mesh. Thin lines
// are GL_LINES over points laid out as the device's line buffers are
// (position and colour, 16 bytes); wide lines are screen-aligned quads, one
// per segment, widened in the vertex shader from the segment's two ends, in
// a colour uploaded once a row. A frame ends as the host's does: the picture
// copied into an image of its own size, then one pixel read.
#pragma once

#include "LineHost.h"
#include "LineScene.h"
#include "RawGLTarget.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace pelmora::bench {

class LineRawRenderer {
public:
    // After the host has drawn one frame: the camera is read back from the device.
    static std::unique_ptr<LineRawRenderer> create(LineHost& host, const LineScene& scene, UINT width, UINT height,
                                                   std::string* error);
    ~LineRawRenderer();

    LineRawRenderer(const LineRawRenderer&) = delete;
    LineRawRenderer& operator=(const LineRawRenderer&) = delete;

    // Width 1 draws GL_LINES; anything wider, quads of that many pixels.
    void drawFrame(int width);
    std::vector<uint32_t> readImage() const { return target_.readImage(); }

private:
    // A vertex attribute: its component count, offset, and whether it is
    // four normalised bytes rather than floats.
    struct Attribute {
        GLint size;
        GLuint offset;
        bool bytes = false;
    };
    struct MeshBuffers {
        GLuint buffers[2] = {};  // vertices, indices
        GLuint vertexArray = 0;
    };
    // One kind of line: its program and every mesh's buffers, as a host
    // keeps them, one set a mesh.
    struct Kind {
        GLuint program = 0;
        GLint world = -1, colour = -1;
        std::vector<MeshBuffers> meshes;
        GLsizei indexCount = 0;
        GLenum mode = GL_LINES;
    };

    LineRawRenderer(LineHost& host, const LineScene& scene) : host_(host), scene_(scene) {}
    bool build(UINT width, UINT height, std::string* error);
    bool buildThin(std::string* error);
    bool buildWide(std::string* error);
    // Uploads every mesh's vertices (verticesOf(mesh)) and the indices.
    template <class Vertices>
    void upload(Kind& kind, Vertices&& verticesOf, const std::vector<uint16_t>& indices,
                std::initializer_list<Attribute> attributes);
    GLuint vertexArrayOf(GLuint vertices, GLuint indices, GLsizei stride,
                         std::initializer_list<Attribute> attributes) const;
    void setCamera(Kind& kind);
    bool makeCacheImage(std::string* error);
    void release(Kind& kind);

    LineHost& host_;
    const LineScene& scene_;
    RawGLTarget target_;
    Kind thin_, wide_;
    GLint halfWidth_ = -1;
    GLuint cacheFramebuffer_ = 0, cacheImage_ = 0;
};

}  // namespace pelmora::bench
