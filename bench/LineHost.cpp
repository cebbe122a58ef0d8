#include "LineHost.h"

#include <vector>

namespace pelmora::bench {
namespace {

constexpr int kReplaceTransform = 0;

// A one-dimensional array of the values, lower bound 0 (the caller destroys it).
template <class T>
SAFEARRAY* vectorOf(VARTYPE type, const std::vector<T>& values) {
    SAFEARRAY* array = SafeArrayCreateVector(type, 0, ULONG(values.size()));
    T* data = nullptr;
    if (!array || FAILED(SafeArrayAccessData(array, reinterpret_cast<void**>(&data)))) return array;
    for (size_t i = 0; i < values.size(); ++i) data[i] = values[i];
    SafeArrayUnaccessData(array);
    return array;
}

}  // namespace

std::unique_ptr<LineHost> LineHost::create(const LineScene& scene, UINT width, UINT height, std::string* error) {
    std::unique_ptr<LineHost> host(new LineHost(scene));
    HRESULT status = host->bench_.open(width, height);
    host->context_ = host->bench_.context();
    if (SUCCEEDED(status)) status = host->buildTree();
    if (FAILED(status)) {
        *error = "the line scene could not be set up through IDXContext (status " + std::to_string(status) + ")";
        return nullptr;
    }
    return host;
}

HRESULT LineHost::buildTree() {
    const int viewport = bench_.viewport();
    const double* p = scene_.plane;
    HRESULT status = context_->setViewportBackground(viewport, int(scene_.background), int(scene_.background));
    if (SUCCEEDED(status)) status = context_->setViewportPlane(viewport, p[0], p[1], p[2], p[3]);
    if (SUCCEEDED(status)) status = context_->newFrame(0, &root_);
    std::vector<int> rowFrames(scene_.rowColours.size());
    for (size_t row = 0; row < rowFrames.size() && SUCCEEDED(status); ++row) {
        status = context_->newFrame(root_, &rowFrames[row]);
        if (SUCCEEDED(status)) status = context_->setFrameColor(rowFrames[row], int(scene_.rowColours[row]));
    }
    for (size_t i = 0; i < scene_.meshes.size() && SUCCEEDED(status); ++i)
        status = addMesh(scene_.meshes[i], rowFrames[size_t(scene_.meshes[i].row)]);
    return status;
}

HRESULT LineHost::addMesh(const LineMesh& mesh, int rowFrame) {
    int frame = 0, wire = 0;
    HRESULT status = context_->newFrame(rowFrame, &frame);
    if (SUCCEEDED(status)) {
        SAFEARRAY* transform = BenchContext::transformArray(mesh.world);
        status = context_->addFrameTransform(frame, kReplaceTransform, &transform);
        SafeArrayDestroy(transform);
    }
    if (SUCCEEDED(status)) {
        SAFEARRAY* vertices = vectorOf(VT_R4, scene_.vertices);
        SAFEARRAY* lines = vectorOf(VT_I4, scene_.lines);
        status = context_->newWireMesh(&vertices, &lines, &wire);
        SafeArrayDestroy(vertices);
        SafeArrayDestroy(lines);
    }
    if (SUCCEEDED(status)) status = context_->frameAddVisual(frame, wire);
    return status;
}

HRESULT LineHost::setLineWidth(int width) { return context_->frameSetLineWidth(root_, width); }

}  // namespace pelmora::bench
