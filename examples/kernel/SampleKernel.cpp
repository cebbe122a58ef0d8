#include "SampleKernel.h"

#include "EdgeExtractor.h"

#include <pelmora/exception.h>

#include <algorithm>
#include <memory>

namespace samplekernel {

namespace {

// Where the pretend fault happened, for the log line it ends up in.
constexpr uint32_t kFaultAddress = 0xDEAD0000u;

}  // namespace

SampleKernel::~SampleKernel() = default;

int SampleKernel::addBody(Shape shape) {
    if (!isValid(shape)) return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    const int number = static_cast<int>(bodies_.size()) + 1;
    bodies_.emplace(number, Body{std::move(shape)});
    return number;
}

int SampleKernel::addEdges(int body) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Body* source = find(body);
    if (!source) return 0;
    const int number = static_cast<int>(bodies_.size()) + 1;
    bodies_.emplace(number, Body{source->shape, FacetFailure::None, false, true});
    return number;
}

SampleKernel::Body* SampleKernel::find(int body) {
    auto found = bodies_.find(body);
    return found == bodies_.end() ? nullptr : &found->second;
}

bool SampleKernel::setFailure(int body, FacetFailure failure) {
    std::lock_guard<std::mutex> lock(mutex_);
    Body* found = find(body);
    if (found) found->failure = failure;
    return found != nullptr;
}

bool SampleKernel::setDoubleSided(int body, bool doubleSided) {
    std::lock_guard<std::mutex> lock(mutex_);
    Body* found = find(body);
    if (found) found->doubleSided = doubleSided;
    return found != nullptr;
}

std::unique_ptr<SampleKernel::Body> SampleKernel::copyOf(int body) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = bodies_.find(body);
    return found == bodies_.end() ? nullptr : std::make_unique<Body>(found->second);
}

FacetMesh SampleKernel::facetsOf(int body, double deviation) const {
    const std::unique_ptr<Body> found = copyOf(body);
    if (!found) return {};
    FacetMesh mesh = tessellate(found->shape, deviation);
    if (found->edges) return extractEdges(mesh);
    mesh.doubleSided = found->doubleSided;
    return mesh;
}

HRESULT SampleKernel::getFacets(int hostMesh, double deviation, int manual, FacetSource** source) {
    if (!source) return E_POINTER;
    *source = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back({hostMesh, deviation, manual});
    }
    const std::unique_ptr<Body> body = copyOf(hostMesh);
    if (!body) return E_INVALIDARG;
    switch (body->failure) {
        case FacetFailure::NoFacets: return S_OK;
        case FacetFailure::Error: return E_FAIL;
        case FacetFailure::Fault:
            throw TorvelStructuredException(kFaultAddress, EXCEPTION_ACCESS_VIOLATION);
        case FacetFailure::None: break;
    }
    FacetMesh mesh = facetsOf(hostMesh, deviation);
    *source = ledger_.handOut(std::make_unique<pelmora::FacetBuffer>(
        std::move(mesh.vertices), std::move(mesh.faceList), mesh.doubleSided));
    return S_OK;
}

void SampleKernel::releaseFacets(FacetSource* source) {
    if (ledger_.release(source)) return;
    std::lock_guard<std::mutex> lock(mutex_);
    ++strayReleases_;
}

int SampleKernel::strayReleases() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return strayReleases_;
}

int SampleKernel::requestCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(requests_.size());
}

std::vector<FacetRequest> SampleKernel::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void SampleKernel::clearRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
}

int SampleKernel::requestCount(int body, double deviation) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(std::count_if(requests_.begin(), requests_.end(), [&](const FacetRequest& r) {
        return r.body == body && r.deviation == deviation;
    }));
}

int SampleKernel::requestCount(int body) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(std::count_if(requests_.begin(), requests_.end(),
                                          [&](const FacetRequest& r) { return r.body == body; }));
}

}  // namespace samplekernel
