#include <pelmora/occt/OcctKernel.h>

#include "ShapeHealing.h"

#include <Standard_Failure.hxx>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <numeric>
#include <thread>

namespace pelmora::occt {

namespace {

int countOf(const std::map<std::pair<int, double>, int>& counts, int key, double deviation) {
    const auto found = counts.find({key, deviation});
    return found == counts.end() ? 0 : found->second;
}

// Facets handed to the engine straight from the cache, which keeps every
// tessellation until the next load: the engine copies them before it
// releases the source.
class CachedFacets final : public FacetSource {
public:
    CachedFacets(const std::vector<FacetVertex>& vertices, const std::vector<int>& list, bool doubleSided)
        : vertices_(vertices), list_(list), doubleSided_(doubleSided) {}
    int faceListLength() const override { return int(list_.size()); }
    const int* faceList() const override { return list_.data(); }
    int vertexCount() const override { return int(vertices_.size()); }
    const FacetVertex* vertices() const override { return vertices_.data(); }
    bool doubleSided() const override { return doubleSided_; }

private:
    const std::vector<FacetVertex>& vertices_;
    const std::vector<int>& list_;
    bool doubleSided_;
};

// Runs work(i) for every i below count on a thread per core, until
// `proceed` says no; the calling thread reports each advance.
template <class Work>
void runOnAllCores(int count, Work&& work, const Progress& progress, const Proceed& proceed) {
    std::atomic<int> next{0}, done{0};
    std::atomic<bool> stopped{false};
    const auto worker = [&] {
        for (int i; !stopped.load() && (i = next++) < count; ++done) work(i);
    };
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> pool;
    try {
        for (int t = 0; t < std::min(cores, count); ++t) pool.emplace_back(worker);
    } catch (const std::system_error&) {
        // No more threads: those started and this one share the rest.
    }
    if (pool.empty()) worker();
    // Reported only as shapes finish: a shape that never does shows as a stall.
    for (int reported = -1; done.load() < count && !stopped.load();) {
        if (proceed && !proceed()) stopped = true;
        const int now = done.load();
        if (progress && now != reported) progress("tessellating", double(now) / count);
        reported = now;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (std::thread& thread : pool) thread.join();
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

pelmora::Transform frameTransform(const gp_Trsf& placement) {
    // Rows are the images of the axes (p x M), the last one the translation.
    pelmora::Transform transform;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            transform.m[size_t(3 * row + column)] = placement.Value(column + 1, row + 1);
    for (int axis = 0; axis < 3; ++axis) transform.m[size_t(9 + axis)] = placement.Value(axis + 1, 4);
    return transform;
}

OcctKernel::~OcctKernel() = default;

bool OcctKernel::load(const std::string& path, std::string* error, const Progress& progress,
                      const Proceed& proceed) {
    Model model;
    if (!readModel(path, &model, error, progress, proceed)) return false;
    model_ = std::move(model);
    forget();
    index();
    return true;
}

int OcctKernel::addBody(const TopoDS_Shape& shape, const std::string& name, bool open, int color) {
    const int body = model_.addBody(shape, name, open, color);
    model_.nodes.push_back({name, color, model_.bodies.back().placement, -1, body, {}});
    index();
    return body;
}

void OcctKernel::forget() {
    hostMeshes_.clear();
    firstMesh_.clear();
    shapeLocks_.clear();
    cache_.clear();
    previews_.clear();
    unhealedPreviews_.clear();
    handedPreviews_.clear();
    tessellationCounts_.clear();
    requestCounts_.clear();
    tessellations_ = requestTotal_ = 0;
}

void OcctKernel::index() {
    for (int shape = int(firstMesh_.size()); shape < shapeCount(); ++shape) {
        firstMesh_.push_back(int(hostMeshes_.size()) + 1);
        for (int group = 0; group < int(model_.shapes[size_t(shape)].groups.size()); ++group)
            hostMeshes_.push_back({shape, group});
        hostMeshes_.push_back({shape, -1});
        shapeLocks_.push_back(std::make_unique<std::mutex>());
    }
    const pelmora::Box box = bounds();
    modelSize_ = box.empty() ? 0.0 : std::hypot(box.max[0] - box.min[0], box.max[1] - box.min[1],
                                                box.max[2] - box.min[2]);
}

pelmora::Box OcctKernel::bounds() const {
    pelmora::Box box;
    for (const OcctBody& body : model_.bodies)
        if (body.size > 0.0) box.merge(bodyBounds(body));
    return box;
}

std::vector<OcctKernel::FaceMesh> OcctKernel::faceMeshes(int body) const {
    const int shape = model_.bodies.at(size_t(body)).shape;
    const std::vector<int>& groups = model_.shapes[size_t(shape)].groups;
    std::vector<FaceMesh> meshes;
    for (size_t group = 0; group < groups.size(); ++group)
        meshes.push_back({firstMesh_[size_t(shape)] + int(group), groups[group]});
    return meshes;
}

int OcctKernel::edgeMesh(int body) const {
    const int shape = model_.bodies.at(size_t(body)).shape;
    return firstMesh_[size_t(shape)] + int(model_.shapes[size_t(shape)].groups.size());
}

const Tessellation& OcctKernel::tessellation(int shape, double deviation) {
    const Key key{shape, deviation};
    {
        std::lock_guard<std::mutex> hold(lock_);
        const auto found = cache_.find(key);
        if (found != cache_.end()) return found->second;
    }
    // Another thread may be meshing this shape: wait for it, then look again.
    std::lock_guard<std::mutex> meshing(*shapeLocks_.at(size_t(shape)));
    {
        std::lock_guard<std::mutex> hold(lock_);
        const auto found = cache_.find(key);
        if (found != cache_.end()) return found->second;
    }
    OcctShape& source = model_.shapes[size_t(shape)];
    if (source.healing) {
        heal(&source);
        std::lock_guard<std::mutex> hold(lock_);
        unhealedPreviews_.erase(shape);
    }
    Tessellation made = tessellate(source, deflectionFor(deviation, modelSize_, source.size));
    std::lock_guard<std::mutex> hold(lock_);
    ++tessellationCounts_[key];
    ++tessellations_;
    return cache_.emplace(key, std::move(made)).first->second;
}

void OcctKernel::previewShape(int shape, double deviation) {
    {
        std::lock_guard<std::mutex> meshing(*shapeLocks_.at(size_t(shape)));
        const OcctShape& source = model_.shapes[size_t(shape)];
        if (source.healing) {
            const Key key{shape, deviation};
            {
                std::lock_guard<std::mutex> hold(lock_);
                if (previews_.count(key) != 0) return;
            }
            Tessellation made = tessellate(source, deflectionFor(deviation, modelSize_, source.size));
            std::lock_guard<std::mutex> hold(lock_);
            previews_.emplace(key, std::move(made));
            unhealedPreviews_.insert(shape);
            return;
        }
    }
    tessellation(shape, deviation);
}

const Tessellation* OcctKernel::handedPreview(int shape, double deviation) {
    std::lock_guard<std::mutex> hold(lock_);
    if (unhealedPreviews_.count(shape) == 0) return nullptr;
    const auto found = previews_.find({shape, deviation});
    if (found == previews_.end()) return nullptr;
    handedPreviews_.insert(shape);
    return &found->second;
}

std::vector<int> OcctKernel::takeHealedPreviews() {
    std::lock_guard<std::mutex> hold(lock_);
    std::vector<int> healed;
    for (auto it = handedPreviews_.begin(); it != handedPreviews_.end();) {
        if (unhealedPreviews_.count(*it) != 0) {
            ++it;
            continue;
        }
        healed.push_back(*it);
        it = handedPreviews_.erase(it);
    }
    return healed;
}

void OcctKernel::prepare(double deviation, const Progress& progress, const Proceed& proceed) {
    meshAll([&](int shape) { tessellation(shape, deviation); }, progress, proceed);
}

void OcctKernel::preview(double deviation, const Progress& progress) {
    meshAll([&](int shape) { previewShape(shape, deviation); }, progress, {});
}

void OcctKernel::meshAll(const std::function<void(int)>& mesh, const Progress& progress, const Proceed& proceed) {
    // The largest first, so that no core is left with a big one at the end.
    std::vector<int> order(static_cast<size_t>(shapeCount()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return shape(a).size > shape(b).size; });
    runOnAllCores(
        shapeCount(),
        [&](int i) {
            try {
                mesh(order[size_t(i)]);
            } catch (const Standard_Failure&) {
                // getFacets reports it when the engine asks for this shape
            }
        },
        progress, proceed);
    if (progress) progress("tessellating", 1.0);
}

int OcctKernel::tessellationCount(int shape, double deviation) const {
    std::lock_guard<std::mutex> hold(lock_);
    return countOf(tessellationCounts_, shape, deviation);
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
    {
        std::lock_guard<std::mutex> hold(lock_);
        ++requestCounts_[{hostMesh, deviation}];
        ++requestTotal_;
    }
    if (hostMesh < 1 || hostMesh > int(hostMeshes_.size())) return E_INVALIDARG;
    const HostMesh mesh = hostMeshes_[size_t(hostMesh - 1)];
    const OcctShape& shape = model_.shapes[size_t(mesh.shape)];
    try {
        const Tessellation* preview = handedPreview(mesh.shape, deviation);
        const Tessellation& t = preview ? *preview : tessellation(mesh.shape, deviation);
        std::unique_ptr<FacetSource> facets;
        if (mesh.group < 0) facets = std::make_unique<CachedFacets>(t.edgeVertices, t.edgeList, false);
        else {
            const FacetGroup& group = t.groups[size_t(mesh.group)];
            facets = std::make_unique<CachedFacets>(group.vertices, group.faceList, shape.open);
        }
        *source = ledger_.handOut(std::move(facets));
        return S_OK;
    } catch (const Standard_Failure& failure) {
        std::string name = "shape " + std::to_string(mesh.shape);
        for (const OcctBody& body : model_.bodies)
            if (body.shape == mesh.shape) {
                name = body.name;
                break;
            }
        const std::string line = "OCCT kernel: meshing " + name + " failed: " + failure.GetMessageString();
        PelmoraLogMessage(line.c_str());
        return E_FAIL;
    }
}

void OcctKernel::releaseFacets(FacetSource* source) { ledger_.release(source); }

}  // namespace pelmora::occt
