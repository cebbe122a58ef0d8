#include <pelmora/occt/OcctKernel.h>

#include <Standard_Failure.hxx>

namespace occtkernel {

namespace {

int countOf(const std::map<std::pair<int, double>, int>& counts, int key, double deviation) {
    const auto found = counts.find({key, deviation});
    return found == counts.end() ? 0 : found->second;
}

}  // namespace

pelmora::Box bodyBounds(const OcctBody& body) {
    pelmora::Box box;
    if (body.size > 0.0) {
        box.add(body.min);
        box.add(body.max);
    }
    return box;
}

OcctKernel::~OcctKernel() = default;

bool OcctKernel::load(const std::string& path, std::string* error, const Progress& progress,
                      const Proceed& proceed) {
    std::vector<OcctBody> bodies;
    if (!readModel(path, &bodies, error, progress, proceed)) return false;
    bodies_ = std::move(bodies);
    cache_.clear();
    tessellationCounts_.clear();
    requestCounts_.clear();
    tessellations_ = requestTotal_ = 0;
    return true;
}

int OcctKernel::addBody(const TopoDS_Shape& shape, const std::string& name, bool open, int color) {
    OcctBody body{name, shape, open, color};
    measure(&body);
    bodies_.push_back(std::move(body));
    return bodyCount() - 1;
}

pelmora::Box OcctKernel::bounds() const {
    pelmora::Box box;
    for (const OcctBody& body : bodies_)
        if (body.size > 0.0) box.merge(bodyBounds(body));
    return box;
}

const Tessellation& OcctKernel::tessellation(int body, double deviation) {
    std::lock_guard<std::mutex> hold(lock_);
    return tessellationLocked(body, deviation);
}

const Tessellation& OcctKernel::tessellationLocked(int body, double deviation) {
    const Key key{body, deviation};
    auto found = cache_.find(key);
    if (found != cache_.end()) return found->second;
    const OcctBody& b = bodies_.at(size_t(body));
    ++tessellationCounts_[key];
    ++tessellations_;
    return cache_.emplace(key, tessellate(b.shape, deviation, b.size)).first->second;
}

void OcctKernel::prepare(double deviation, const Progress& progress) {
    for (int body = 0; body < bodyCount(); ++body) {
        if (progress) progress("tessellating", double(body) / bodyCount());
        try {
            tessellation(body, deviation);
        } catch (const Standard_Failure&) {
            // getFacets reports it when the engine asks for this body
        }
    }
    if (progress) progress("tessellating", 1.0);
}

int OcctKernel::tessellationCount(int body, double deviation) const {
    std::lock_guard<std::mutex> hold(lock_);
    return countOf(tessellationCounts_, body, deviation);
}

int OcctKernel::tessellationCount() const {
    std::lock_guard<std::mutex> hold(lock_);
    return tessellations_;
}

int OcctKernel::requestCount(int hostMesh, double deviation) const {
    std::lock_guard<std::mutex> hold(lock_);
    return countOf(requestCounts_, hostMesh, deviation);
}

int OcctKernel::requestCount() const {
    std::lock_guard<std::mutex> hold(lock_);
    return requestTotal_;
}

int OcctKernel::outstandingSources() const {
    std::lock_guard<std::mutex> hold(lock_);
    return ledger_.outstanding();
}

HRESULT OcctKernel::getFacets(int hostMesh, double deviation, int, FacetSource** source) {
    if (!source) return E_POINTER;
    *source = nullptr;
    std::lock_guard<std::mutex> hold(lock_);
    ++requestCounts_[{hostMesh, deviation}];
    ++requestTotal_;
    const int body = (hostMesh - 1) / 2;
    if (hostMesh < 1 || body >= bodyCount()) return E_INVALIDARG;
    const bool edges = hostMesh == edgeMesh(body);
    try {
        const Tessellation& t = tessellationLocked(body, deviation);
        auto facets = edges ? std::make_unique<pelmora::FacetBuffer>(t.edgeVertices, t.edgeList)
                            : std::make_unique<pelmora::FacetBuffer>(t.faceVertices, t.faceList,
                                                                     bodies_[size_t(body)].open);
        *source = ledger_.handOut(std::move(facets));
        return S_OK;
    } catch (const Standard_Failure& failure) {
        const std::string line = "OCCT kernel: meshing " + bodies_[size_t(body)].name +
                                 " failed: " + failure.GetMessageString();
        PelmoraLogMessage(line.c_str());
        return E_FAIL;
    }
}

void OcctKernel::releaseFacets(FacetSource* source) {
    std::lock_guard<std::mutex> hold(lock_);
    ledger_.release(source);
}

}  // namespace occtkernel
