#include "AssemblyRawRenderer.h"

#include "SampleKernel.h"
#include "SavedGLState.h"

#include "platform/d3d9/gl/GLDevice.h"

#include <limits>

namespace pelmora::bench {
namespace {

constexpr float kChannelScale = 1.0f / 255.0f;
constexpr int kIndicesPerFace = 4;  // count, then three vertex indices

template <class Index>
std::vector<Index> triangleIndices(const std::vector<int>& faceList) {
    std::vector<Index> indices;
    for (size_t face = 0; face + kIndicesPerFace <= faceList.size() && faceList[face] != 0; face += kIndicesPerFace)
        for (size_t corner = 1; corner < kIndicesPerFace; ++corner) indices.push_back(Index(faceList[face + corner]));
    return indices;
}

template <class Index>
GLsizei uploadIndices(const RawGLApi& gl, GLuint buffer, const std::vector<int>& faceList) {
    const std::vector<Index> indices = triangleIndices<Index>(faceList);
    gl.NamedBufferStorage(buffer, GLsizeiptr(indices.size() * sizeof(Index)), indices.data(), 0);
    return GLsizei(indices.size());
}

}  // namespace

std::unique_ptr<AssemblyRawRenderer> AssemblyRawRenderer::create(AssemblyHost& host, const AssemblyScene& scene,
                                                                 const samplekernel::SampleKernel& kernel,
                                                                 double deviation, UINT width, UINT height,
                                                                 std::string* error) {
    std::unique_ptr<AssemblyRawRenderer> renderer(new AssemblyRawRenderer(host, scene));
    if (!renderer->build(kernel, deviation, width, height, error)) return nullptr;
    return renderer;
}

bool AssemblyRawRenderer::build(const samplekernel::SampleKernel& kernel, double deviation, UINT width,
                                UINT height, std::string* error) {
    if (!target_.open(host_.glDevice(), width, height, error)) return false;
    program_ = RawGLProgram::create(target_.gl(), error);
    if (!program_) return false;
    setDeviceState();
    for (const AssemblyRow& row : scene_.rows) rowMaterials_.push_back(rowMaterial(row));
    for (const AssemblyBody& body : scene_.bodies) draws_.push_back(upload(kernel, body.hostMesh, deviation));
    return makeCacheImage(error);
}

// What the render pass left on the device is what the raw frame draws with.
void AssemblyRawRenderer::setDeviceState() {
    IDirect3DDevice9* device = host_.device();
    D3DMATRIX view{}, projection{};
    D3DLIGHT9 light{};
    DWORD ambient = 0;
    device->GetTransform(D3DTS_VIEW, &view);
    device->GetTransform(D3DTS_PROJECTION, &projection);
    device->GetLight(0, &light);
    device->GetRenderState(D3DRS_AMBIENT, &ambient);
    device->GetRenderState(D3DRS_CULLMODE, &cullMode_);
    device->GetMaterial(&rootMaterial_);
    program_->setCamera(view, projection, target_.width(), target_.height());
    program_->setLight(light, ambient);
}

// A coloured frame replaces the diffuse colour and, with a reflectivity,
// switches on a white highlight of its power; the rest is the viewport's.
D3DMATERIAL9 AssemblyRawRenderer::rowMaterial(const AssemblyRow& row) const {
    D3DMATERIAL9 material = rootMaterial_;
    const D3DCOLOR c = row.colour;
    material.Diffuse = {float((c >> 16) & 0xFF) * kChannelScale, float((c >> 8) & 0xFF) * kChannelScale,
                        float(c & 0xFF) * kChannelScale, float(c >> 24) * kChannelScale};
    material.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Power = scene_.specularPower;
    return material;
}

AssemblyRawRenderer::Draw AssemblyRawRenderer::upload(const samplekernel::SampleKernel& kernel, int hostMesh,
                                                      double deviation) {
    const RawGLApi& gl = target_.gl();
    const samplekernel::FacetMesh facets = kernel.facetsOf(hostMesh, deviation);
    Draw draw;
    gl.CreateBuffers(2, draw.buffers);
    gl.NamedBufferStorage(draw.buffers[0], GLsizeiptr(facets.vertices.size() * sizeof(FacetVertex)),
                          facets.vertices.data(), 0);
    const bool shortIndices = facets.vertices.size() <= std::numeric_limits<uint16_t>::max();
    draw.indexType = shortIndices ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT;
    draw.indexCount = shortIndices ? uploadIndices<uint16_t>(gl, draw.buffers[1], facets.faceList)
                                   : uploadIndices<uint32_t>(gl, draw.buffers[1], facets.faceList);
    draw.vertexArray = target_.makeVertexArray(draw.buffers[0], draw.buffers[1]);
    triangles_ += uint64_t(draw.indexCount / 3);
    return draw;
}

bool AssemblyRawRenderer::makeCacheImage(std::string* error) {
    const RawGLApi& gl = target_.gl();
    gl.CreateRenderbuffers(1, &cacheImage_);
    // The back buffer's own format, as the viewport's cached image has it, so
    // the copy is a plain copy on both sides.
    gl.NamedRenderbufferStorage(cacheImage_, target_.colourFormat(), GLsizei(target_.width()), GLsizei(target_.height()));
    gl.CreateFramebuffers(1, &cacheFramebuffer_);
    gl.NamedFramebufferRenderbuffer(cacheFramebuffer_, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, cacheImage_);
    if (gl.CheckNamedFramebufferStatus(cacheFramebuffer_, GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE)
        return true;
    *error = "the raw cache image is not a complete framebuffer";
    return false;
}

void AssemblyRawRenderer::drawFrame() {
    target_.makeCurrent();
    const RawGLApi& gl = target_.gl();
    SavedGLState saved(gl);
    target_.beginFrame(scene_.background, cullMode_);
    program_->use();
    int row = -1;
    for (size_t i = 0; i < draws_.size(); ++i) {
        const AssemblyBody& body = scene_.bodies[i];
        if (body.row != row) {
            row = body.row;
            program_->setMaterial(rowMaterials_[size_t(row)]);
        }
        const Draw& draw = draws_[i];
        program_->setWorld(body.world);
        gl.BindVertexArray(draw.vertexArray);
        gl.DrawElements(GL_TRIANGLES, draw.indexCount, draw.indexType, nullptr);
    }
    const GLint w = GLint(target_.width()), h = GLint(target_.height());
    gl.BlitNamedFramebuffer(target_.framebuffer(), cacheFramebuffer_, 0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT,
                            GL_NEAREST);
    target_.readPixel();
}

void AssemblyRawRenderer::drawAndPresentFrame() {
    drawFrame();
    window_.resize(size_t(target_.width()) * target_.height());
    target_.readInto(window_.data());
}

AssemblyRawRenderer::~AssemblyRawRenderer() {
    if (!target_.makeCurrent()) return;
    const RawGLApi& gl = target_.gl();
    for (const Draw& draw : draws_) {
        gl.DeleteVertexArrays(1, &draw.vertexArray);
        gl.DeleteBuffers(2, draw.buffers);
    }
    if (cacheFramebuffer_) gl.DeleteFramebuffers(1, &cacheFramebuffer_);
    if (cacheImage_) gl.DeleteRenderbuffers(1, &cacheImage_);
    program_.reset();
}

}  // namespace pelmora::bench
