// A facet factory over Open CASCADE: the bodies of a model file (or of
// shapes built in code), each tessellated once per deviation and kept, its
// faces and its model edges handed out as two host meshes. Requests may come
// from the engine's facet worker while the host's thread draws: the cache,
// the counts and the hand-outs are guarded by one lock (loading and adding
// bodies are not, and happen before the scene is drawn).
//
//     #include <pelmora/occt/ModelScene.h>
//
//     occtkernel::OcctKernel kernel;
//     if (!kernel.load("part.step", &error)) ...
//     const int factory = PelmoraRegisterThreadSafeFacetFactory(&kernel);
//     context->newSolidMeshFromHandle(kernel.faceMesh(0), factory, &faces);
//     context->newWireMeshFromHandle(kernel.edgeMesh(0), factory, &edges);
#pragma once

#include "BodyTessellator.h"
#include "ModelReader.h"
#include "OcctBody.h"

#include <pelmora/helpers.h>

#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace occtkernel {

// A body's world box (empty for a body without geometry).
pelmora::Box bodyBounds(const OcctBody& body);

class OcctKernel final : public FacetFactory {
public:
    OcctKernel() = default;
    OcctKernel(const OcctKernel&) = delete;
    OcctKernel& operator=(const OcctKernel&) = delete;
    ~OcctKernel();

    // Replaces the bodies with those of a model file; false, with a message
    // naming the file, when it cannot be read, shows nothing or `proceed`
    // cancelled it (the bodies then stay as they were).
    bool load(const std::string& path, std::string* error, const Progress& progress = {},
              const Proceed& proceed = {});
    // Adds a body (bounds and size are measured here); its index. A colour
    // of 0 leaves the choice to the scene (bodyColor).
    int addBody(const TopoDS_Shape& shape, const std::string& name, bool open = false, int color = 0);

    int bodyCount() const { return static_cast<int>(bodies_.size()); }
    const OcctBody& body(int index) const { return bodies_[size_t(index)]; }
    // Every body's box together.
    pelmora::Box bounds() const;

    // The host mesh numbers of a body's faces (for newSolidMeshFromHandle)
    // and of its model edges (for newWireMeshFromHandle).
    static int faceMesh(int body) { return 2 * body + 1; }
    static int edgeMesh(int body) { return 2 * body + 2; }

    // A body's tessellation at a deviation, made on first use and kept.
    const Tessellation& tessellation(int body, double deviation);
    // Tessellates every body at a deviation ahead of the first render,
    // reporting "tessellating" progress body by body.
    void prepare(double deviation, const Progress& progress = {});

    // Runs of the mesher for one body at one deviation, and in all.
    int tessellationCount(int body, double deviation) const;
    int tessellationCount() const;
    // getFacets calls for one host mesh at one deviation, and in all.
    int requestCount(int hostMesh, double deviation) const;
    int requestCount() const;
    int outstandingSources() const;

    // FacetFactory. E_INVALIDARG for a host mesh no body answers to,
    // E_FAIL (with a log line) when the mesher fails.
    HRESULT getFacets(int hostMesh, double deviation, int manual, FacetSource** source) override;
    void releaseFacets(FacetSource* source) override;

private:
    using Key = std::pair<int, double>;

    const Tessellation& tessellationLocked(int body, double deviation);

    std::vector<OcctBody> bodies_;
    std::map<Key, Tessellation> cache_;
    std::map<Key, int> tessellationCounts_;
    std::map<Key, int> requestCounts_;
    int tessellations_ = 0;
    int requestTotal_ = 0;
    pelmora::FacetLedger ledger_;
    mutable std::mutex lock_;
};

}  // namespace occtkernel
