#include "HostileFacetFactory.h"

#include "FuzzInput.h"
#include "FuzzSession.h"
#include "HostileValues.h"

#include <pelmora/exception.h>
#include <pelmora/helpers.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace pelmora::fuzz {

namespace {

// A facet set whose reported lengths need not match its lists. The arrays
// are always as long as the largest length it reports, so whatever the
// engine reads within a reported length is memory the host owns: a lie
// about the contents, never about the memory.
class LyingSource final : public FacetSource {
public:
    int faceListLength() const override { return pick(faceLengths_); }
    const int* faceList() const override { return nullFaces_ ? nullptr : faces_.data(); }
    int vertexCount() const override { return pick(vertexCounts_); }
    const FacetVertex* vertices() const override { return nullVertices_ ? nullptr : vertices_.data(); }
    bool doubleSided() const override { return doubleSided_; }

    // Reported lengths; two different values alternate between reads.
    void setFaceLengths(int first, int second) { faceLengths_ = {first, second}; }
    void setVertexCounts(int first, int second) { vertexCounts_ = {first, second}; }
    void setFaces(std::vector<int> faces) { faces_ = std::move(faces); }
    void setVertices(std::vector<FacetVertex> vertices) { vertices_ = std::move(vertices); }
    void setNullLists(bool faces, bool vertices) {
        nullFaces_ = faces;
        nullVertices_ = vertices;
    }
    void setDoubleSided(bool doubleSided) { doubleSided_ = doubleSided; }
    // Makes the lists as long as every length reported.
    void backLengths() {
        const int faces = std::max({faceLengths_.first, faceLengths_.second, 1});
        const int vertices = std::max({vertexCounts_.first, vertexCounts_.second, 1});
        if (faces_.size() < size_t(faces)) faces_.resize(faces, 0);
        if (vertices_.size() < size_t(vertices)) vertices_.resize(vertices, FacetVertex{});
    }

private:
    int pick(std::pair<int, int> values) const { return (reads_++ % 2 == 0) ? values.first : values.second; }

    std::pair<int, int> faceLengths_{0, 0};
    std::pair<int, int> vertexCounts_{0, 0};
    std::vector<int> faces_;
    std::vector<FacetVertex> vertices_;
    bool nullFaces_ = false;
    bool nullVertices_ = false;
    bool doubleSided_ = false;
    mutable unsigned reads_ = 0;
};

std::vector<FacetVertex> squareVertices() {
    return {{-1, -1, 0, 0, 0, 1, 0, 0}, {1, -1, 0, 0, 0, 1, 1, 0},
            {1, 1, 0, 0, 0, 1, 1, 1},   {-1, 1, 0, 0, 0, 1, 0, 1}};
}

std::vector<int> squareFaces() { return {3, 0, 1, 2, 3, 0, 2, 3, 0}; }

enum Mode {
    kGood,
    kNothing,
    kError,
    kErrorWithSource,
    kStructuredFault,
    kStandardException,
    kThrownInteger,
    kNullFaceList,
    kNullVertices,
    kNegativeLengths,
    kIndicesOutOfRange,
    kCountsPastTheEnd,
    kNonFiniteVertices,
    kEmptyBody,
    kChangingLengths,
    kManyVertices,
    kSourceHandedOutTwice,
    kModeCount
};

}  // namespace

HostileFacetFactory::HostileFacetFactory(FuzzSession& session) : session_(session) {
    using namespace samplekernel;
    shapes_.addBody(samplekernel::Box{{-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}});
    shapes_.addBody(Sphere{{0, 0, 0}, 0.6});
    shapes_.addBody(Cylinder{{0, 0, -0.5}, 0.4, 1.0});
    shapes_.addBody(Torus{{0, 0, 0}, 0.6, 0.2});
}

HostileFacetFactory::~HostileFacetFactory() = default;

FacetSource* HostileFacetFactory::keep(std::unique_ptr<FacetSource> source) {
    FacetSource* raw = source.get();
    outstanding_[raw] = std::move(source);
    return raw;
}

FacetSource* HostileFacetFactory::goodFacets(int hostMesh, double deviation) {
    const int body = static_cast<int>((static_cast<unsigned>(hostMesh) % 4) + 1);
    // The kernel takes any deviation; keep a run quick by never going finer
    // than the body's coarse tessellations.
    const double angle = std::isfinite(deviation) && deviation > 8 ? deviation : 8;
    samplekernel::FacetMesh mesh = shapes_.facetsOf(body, angle);
    return keep(std::make_unique<pelmora::FacetBuffer>(std::move(mesh.vertices), std::move(mesh.faceList),
                                                       mesh.doubleSided));
}

FacetSource* HostileFacetFactory::lyingFacets(int mode) {
    FuzzInput& in = session_.input();
    auto source = std::make_unique<LyingSource>();
    source->setVertices(squareVertices());
    source->setFaces(squareFaces());
    source->setVertexCounts(4, 4);
    source->setFaceLengths(9, 9);
    source->setDoubleSided(in.rare(128));
    switch (mode) {
        case kNullFaceList: {
            const int length = in.between(5, 40);
            source->setFaceLengths(length, length);
            source->setNullLists(true, false);
            break;
        }
        case kNullVertices: source->setNullLists(false, true); break;
        case kNegativeLengths: {
            const int faces = in.rare(128) ? -in.between(1, 9) : INT_MIN;
            source->setFaceLengths(faces, faces);
            source->setVertexCounts(-in.between(0, 4), -1);
            break;
        }
        case kIndicesOutOfRange: source->setFaces({3, 0, 1, 4, 3, -1, 2, INT_MAX, 0}); break;
        case kCountsPastTheEnd: {
            static const std::vector<int> kLies[] = {{3, 0, 1}, {7, 0, 1, 2, 3, 0, 1, 2, 0},
                                                     {1000, 0, 1, 2, 0}, {3, 0, 1, 2, 3, 0, 2, 3, 1},
                                                     {-3, 0, 1, 2, 0}, {0, 0, 0, 0, 0}};
            const std::vector<int>& lie = kLies[in.below(std::size(kLies))];
            source->setFaces(lie);
            source->setFaceLengths(int(lie.size()), int(lie.size()));
            break;
        }
        case kNonFiniteVertices: {
            std::vector<FacetVertex> vertices = squareVertices();
            for (FacetVertex& v : vertices) {
                v.x = hostileFloat(in);
                v.nz = hostileFloat(in);
            }
            source->setVertices(vertices);
            break;
        }
        case kEmptyBody: source->setFaceLengths(in.between(0, 4), in.between(0, 4)); break;
        case kChangingLengths:
            source->setFaceLengths(in.between(0, 40), in.between(0, 40));
            source->setVertexCounts(in.between(0, 12), in.between(0, 12));
            break;
        case kManyVertices: {
            const int count = in.between(1000, 60000);
            source->setVertexCounts(count, count);
            break;
        }
        default: break;
    }
    source->backLengths();
    return keep(std::move(source));
}

HRESULT HostileFacetFactory::getFacets(int hostMesh, double deviation, int, FacetSource** source) {
    FuzzInput& in = session_.input();
    if (session_.mayReenter() && in.rare(24)) session_.reenter(in.between(1, 3));
    if (!source) return E_POINTER;
    *source = nullptr;
    const int mode = static_cast<int>(in.below(kModeCount));
    switch (mode) {
        case kGood: *source = goodFacets(hostMesh, deviation); return S_OK;
        case kNothing: return S_OK;
        case kError: return E_FAIL;
        case kErrorWithSource: *source = goodFacets(hostMesh, deviation); return E_FAIL;
        case kStructuredFault: throw TorvelStructuredException(0xBAD0u, EXCEPTION_ACCESS_VIOLATION);
        case kStandardException: throw std::runtime_error("kernel failure");
        case kThrownInteger: throw 42;
        case kSourceHandedOutTwice:
            if (!outstanding_.empty()) {
                *source = outstanding_.begin()->second.get();
                return S_OK;
            }
            *source = goodFacets(hostMesh, deviation);
            return S_OK;
        default: *source = lyingFacets(mode); return S_OK;
    }
}

void HostileFacetFactory::releaseFacets(FacetSource* source) {
    // Unknown or repeated releases are the engine's mistake, but not ours to crash on.
    outstanding_.erase(source);
}

}  // namespace pelmora::fuzz
