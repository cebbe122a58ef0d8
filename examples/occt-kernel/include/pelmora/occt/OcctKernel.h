// A facet factory over Open CASCADE: the model of a file (or of shapes
// built in code), each distinct shape tessellated once per deviation and
// kept, whatever the number of bodies placed from it. Every body places
// its shape's meshes with its own frame: a shape's faces (one host mesh
// per colour group) and its model edges are host meshes that every
// instance names, so the engine can share one tessellation among them.
// Requests may come from the engine's facet worker while the host's
// thread draws, and several shapes are meshed at once (prepare): the
// cache, the counts and the hand-outs are guarded (loading and adding
// bodies are not, and happen before the scene is drawn).
//
//     #include <pelmora/occt/ModelScene.h>
//
//     pelmora::occt::OcctKernel kernel;
//     if (!kernel.load("part.step", &error)) ...
//     const int factory = PelmoraRegisterThreadSafeFacetFactory(&kernel);
//     pelmora::occt::ModelScene scene;  // a frame per body, placed and coloured
//     pelmora::occt::buildScene(context, kernel, factory, {}, &scene);
#pragma once

#include "BodyTessellator.h"
#include "ModelReader.h"
#include "OcctBody.h"

#include <pelmora/helpers.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace pelmora::occt {

// A body's world box (empty for a body without geometry).
pelmora::Box bodyBounds(const OcctBody& body);
// A placement as the engine's frame transform.
pelmora::Transform frameTransform(const gp_Trsf& placement);

class OcctKernel final : public FacetFactory {
public:
    OcctKernel() = default;
    OcctKernel(const OcctKernel&) = delete;
    OcctKernel& operator=(const OcctKernel&) = delete;
    ~OcctKernel();

    // Replaces the model with that of a file; false, with a message naming
    // the file, when it cannot be read, shows nothing or `proceed`
    // cancelled it (the model then stays as it was).
    bool load(const std::string& path, std::string* error, const Progress& progress = {},
              const Proceed& proceed = {});
    // Adds a body (a root of the tree) placed where the shape's location
    // puts it; a shape added before (the same TShape) is shared. A colour
    // of 0 leaves the choice to the scene (bodyColor). Its index.
    int addBody(const TopoDS_Shape& shape, const std::string& name, bool open = false, int color = 0);

    int bodyCount() const { return static_cast<int>(model_.bodies.size()); }
    const OcctBody& body(int index) const { return model_.bodies[size_t(index)]; }
    int shapeCount() const { return static_cast<int>(model_.shapes.size()); }
    const OcctShape& shape(int index) const { return model_.shapes[size_t(index)]; }
    // The assembly tree: names, colours and placements of assemblies, parts
    // and bodies.
    const std::vector<ModelNode>& tree() const { return model_.nodes; }
    // Every body's box together, and its diagonal (what deflections follow).
    pelmora::Box bounds() const;
    double modelSize() const { return modelSize_; }

    // The host meshes of a body's faces (for newSolidMeshFromHandle), one
    // per colour group: colour 0 for the body's own colour, else the faces'.
    // Bodies placed from one shape name the same host meshes.
    struct FaceMesh {
        int handle;
        int color;
    };
    std::vector<FaceMesh> faceMeshes(int body) const;
    // The host mesh of a body's model edges (for newWireMeshFromHandle).
    int edgeMesh(int body) const;

    // A shape's tessellation at a deviation, made on first use and kept;
    // the healing left on the shape is made first.
    const Tessellation& tessellation(int shape, double deviation);
    // Tessellates every shape at a deviation, several at once (a thread per
    // core), reporting "tessellating" progress on the calling thread, which
    // asks `proceed` every few milliseconds: false stops it after the
    // shapes under way.
    void prepare(double deviation, const Progress& progress = {}, const Proceed& proceed = {});
    // As prepare, for a first picture: a shape still to be healed is meshed
    // as the file gives it (its healing is most of the time to the finer
    // facets), and getFacets hands that preview out at this deviation until
    // the shape is healed. Then the meshes that showed a preview are
    // fetched again (refreshPreviews in ModelScene.h).
    void preview(double deviation, const Progress& progress = {});
    // The shapes whose previews getFacets handed out and that have been
    // healed since; each is listed once.
    std::vector<int> takeHealedPreviews();

    // Runs of the mesher for one shape at one deviation, and in all.
    int tessellationCount(int shape, double deviation) const;
    int tessellationCount() const;
    // getFacets calls for one host mesh at one deviation, and in all.
    int requestCount(int hostMesh, double deviation) const;
    int requestCount() const;
    int outstandingSources() const;

    // FacetFactory. E_INVALIDARG for a host mesh no shape answers to,
    // E_FAIL (with a log line) when the mesher fails.
    HRESULT getFacets(int hostMesh, double deviation, int manual, FacetSource** source) override;
    void releaseFacets(FacetSource* source) override;

private:
    using Key = std::pair<int, double>;
    struct HostMesh {
        int shape;
        int group;  // -1: the edges
    };

    // Numbers the new shapes' host meshes and measures the model.
    void index();
    void forget();
    // Runs `mesh` on every shape, the largest first, a thread per core.
    void meshAll(const std::function<void(int)>& mesh, const Progress& progress, const Proceed& proceed);
    void previewShape(int shape, double deviation);
    // The preview getFacets hands out for a shape not healed yet, or null.
    const Tessellation* handedPreview(int shape, double deviation);

    Model model_;
    double modelSize_ = 0.0;
    std::vector<HostMesh> hostMeshes_;   // handle - 1
    std::vector<int> firstMesh_;         // by shape: its first handle
    // One per shape: the mesher writes into the shape's faces, so one
    // shape is meshed by one thread at a time.
    std::vector<std::unique_ptr<std::mutex>> shapeLocks_;
    std::map<Key, Tessellation> cache_;
    // Previews are kept until the next load: the engine may still be
    // copying one when its shape is healed.
    std::map<Key, Tessellation> previews_;
    std::set<int> unhealedPreviews_;     // shapes with previews, not healed yet
    std::set<int> handedPreviews_;       // shapes whose previews were handed out
    std::map<Key, int> tessellationCounts_;
    std::map<Key, int> requestCounts_;
    int tessellations_ = 0;
    int requestTotal_ = 0;
    pelmora::FacetLedger ledger_;
    mutable std::mutex lock_;
};

}  // namespace pelmora::occt
