#include "AssemblyHost.h"

#include <pelmora/helpers.h>

namespace pelmora::bench {
namespace {

constexpr int kReplaceTransform = 0;

}  // namespace

std::unique_ptr<AssemblyHost> AssemblyHost::create(const AssemblyScene& scene, FacetFactory& factory,
                                                   bool threadSafe, UINT width, UINT height, std::string* error) {
    std::unique_ptr<AssemblyHost> host(new AssemblyHost(scene));
    const HRESULT status = host->open(factory, threadSafe, width, height);
    if (FAILED(status)) {
        *error = "the assembly could not be set up through IDXContext (status " + std::to_string(status) + ")";
        return nullptr;
    }
    return host;
}

HRESULT AssemblyHost::open(FacetFactory& factory, bool threadSafe, UINT width, UINT height) {
    width_ = width;
    height_ = height;
    HRESULT status = bench_.open(width, height);
    context_ = bench_.context();
    viewport_ = bench_.viewport();
    if (FAILED(status)) return status;
    factory_.handle =
        threadSafe ? PelmoraRegisterThreadSafeFacetFactory(&factory) : PelmoraRegisterFacetFactory(&factory);
    if (factory_.handle == 0) return E_FAIL;
    return buildTree();
}
// Viewport settings first, then root, row frames and one frame per body
// holding its mesh.
HRESULT AssemblyHost::buildTree() {
    int light = 0;
    const D3DVECTOR& d = scene_.lightDirection;
    HRESULT status = context_->setViewportBackground(viewport_, int(scene_.background), int(scene_.background));
    if (SUCCEEDED(status)) status = context_->viewportAddAmbientLight(viewport_, int(scene_.ambient));
    if (SUCCEEDED(status))
        status = context_->viewportAddDirectionalLight(viewport_, int(scene_.lightColour), d.x, d.y, d.z, &light);
    if (SUCCEEDED(status)) status = zoom(1.0);
    if (SUCCEEDED(status)) status = context_->newFrame(0, &root_);
    rowFrames_.resize(scene_.rows.size());
    for (size_t row = 0; row < scene_.rows.size() && SUCCEEDED(status); ++row) {
        status = context_->newFrame(root_, &rowFrames_[row]);
        if (SUCCEEDED(status)) status = context_->setFrameColor(rowFrames_[row], int(scene_.rows[row].colour));
        if (SUCCEEDED(status)) status = context_->frameSetReflectivity(rowFrames_[row], scene_.reflectivity);
    }
    if (SUCCEEDED(status)) status = addBodies(scene_.bodies);
    return status;
}

HRESULT AssemblyHost::addBodies(const std::vector<AssemblyBody>& bodies) {
    HRESULT status = S_OK;
    for (size_t i = 0; i < bodies.size() && SUCCEEDED(status); ++i) status = addBody(bodies[i], rowFrames_);
    return status;
}

HRESULT AssemblyHost::addBody(const AssemblyBody& body, const std::vector<int>& rowFrames) {
    int frame = 0, mesh = 0;
    HRESULT status = context_->newFrame(rowFrames[size_t(body.row)], &frame);
    if (SUCCEEDED(status)) {
        SAFEARRAY* transform = BenchContext::transformArray(body.world);
        status = context_->addFrameTransform(frame, kReplaceTransform, &transform);
        SafeArrayDestroy(transform);
    }
    if (SUCCEEDED(status)) status = context_->newSolidMeshFromHandle(body.hostMesh, factory_.handle, &mesh);
    if (SUCCEEDED(status)) status = context_->frameAddVisual(frame, mesh);
    if (SUCCEEDED(status)) bodyMeshes_.push_back({mesh, body.world});
    return status;
}

HRESULT AssemblyHost::drawFrame() { return bench_.drawFrame(root_); }

HRESULT AssemblyHost::drawAndPresentFrame() {
    const HRESULT status = drawFrame();
    if (FAILED(status)) return status;
    return context_->viewportPresent(viewport_, 0, 0, int(width_), int(height_));
}

HRESULT AssemblyHost::zoom(double factor) {
    const double* p = scene_.plane;
    return context_->setViewportPlane(viewport_, p[0] * factor, p[1] * factor, p[2] * factor, p[3] * factor);
}

HRESULT AssemblyHost::setDrawFlags(uint32_t flags) {
    return context_->setFrameDrawFacetEdges(root_, SolidMeshDrawFlags(flags), int(0xFF1A1A1Au), 2,
                                            int(0xFF808080u), 1);
}

std::vector<uint32_t> AssemblyHost::readImage() const { return bench_.readImage(); }

HRESULT AssemblyHost::saveSnapshot(const std::string& path, int width, int height) {
    return pelmora::saveSnapshot(context_, viewport_, pelmora::Bstr(path.c_str()), width, height);
}

}  // namespace pelmora::bench
