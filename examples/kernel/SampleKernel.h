// A small modelling kernel for the demo, the tests and the benchmarks: a set
// of bodies, each known by a host mesh number (1, 2, ...), tessellated when
// the engine asks for them. It counts every request, so a test can see when
// and at which deviation the engine asked, and a body can be told to fail.
// Every member may be called from any thread (the engine asks from its
// worker thread when the kernel is registered as thread-safe); requests()
// hands out a copy for that reason.
//
//     samplekernel::SampleKernel kernel;
//     int ball = kernel.addBody(samplekernel::Sphere{{0, 0, 0}, 1.0});
//     int factory = PelmoraRegisterThreadSafeFacetFactory(&kernel);
//     context->newSolidMeshFromHandle(ball, factory, &mesh);
//     context->newWireMeshFromHandle(kernel.addEdges(ball), factory, &edges);
#pragma once

#include "FacetMesh.h"
#include "Shapes.h"

#include <pelmora/helpers.h>

#include <map>
#include <mutex>
#include <vector>

namespace samplekernel {

// How a body answers getFacets.
enum class FacetFailure {
    None,      // facets and S_OK
    NoFacets,  // S_OK and no facets
    Error,     // E_FAIL and no facets
    Fault,     // throws TorvelStructuredException (an access violation)
};

struct FacetRequest {
    int body;
    double deviation;
    int manual;
};

class SampleKernel final : public FacetFactory {
public:
    SampleKernel() = default;
    SampleKernel(const SampleKernel&) = delete;
    SampleKernel& operator=(const SampleKernel&) = delete;
    ~SampleKernel();

    // The new body's host mesh number (never 0), or 0 for an invalid shape.
    int addBody(Shape shape);
    // A host mesh number for the model edges of a body: its facets are the
    // body's boundary and crease polylines at the deviation asked for, as a
    // wire mesh takes them. 0 for an unknown body.
    int addEdges(int body);
    // Changes how a body answers from now on; false for an unknown body.
    bool setFailure(int body, FacetFailure failure);
    bool setDoubleSided(int body, bool doubleSided);

    // What getFacets would hand out, without counting a request; empty for
    // an unknown body.
    FacetMesh facetsOf(int body, double deviation) const;

    // FacetFactory. Unknown bodies answer E_INVALIDARG, a null out pointer E_POINTER.
    HRESULT getFacets(int hostMesh, double deviation, int manual, FacetSource** source) override;
    void releaseFacets(FacetSource* source) override;

    // Requests so far: for one body at one deviation (compared exactly), for
    // one body, and in all; the full log in order.
    int requestCount(int body, double deviation) const;
    int requestCount(int body) const;
    int requestCount() const;
    std::vector<FacetRequest> requests() const;
    void clearRequests();

    // Sources handed out and not yet released, and releases of a pointer this
    // kernel had not handed out (or had already taken back).
    int outstandingSources() const { return ledger_.outstanding(); }
    int strayReleases() const;

private:
    struct Body {
        Shape shape;
        FacetFailure failure = FacetFailure::None;
        bool doubleSided = false;
        bool edges = false;  // hands out the shape's edges, not its faces
    };

    Body* find(int body);
    // The body's description as it is now (null for an unknown body).
    std::unique_ptr<Body> copyOf(int body) const;

    // Guards the bodies, the request log and the stray count; tessellation
    // runs outside it.
    mutable std::mutex mutex_;
    std::map<int, Body> bodies_;
    std::vector<FacetRequest> requests_;
    pelmora::FacetLedger ledger_;
    int strayReleases_ = 0;
};

}  // namespace samplekernel
