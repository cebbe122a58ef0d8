// Geometries made from a host's facets, shared by every mesh that shows the
// same facet source at the same deviation. A host gives the instances of one
// part one host mesh handle; they then cost one factory request and one copy
// of the facets per deviation, whichever instance asks first, and one set of
// device buffers (SolidGeometry::deviceBuffers). The table keeps nothing
// alive: the meshes own what they show, and an entry lapses with the last of
// them. Requests out on the facet worker are shared the same way; the last
// mesh waiting for one to let it go cancels it.
#pragma once

#include "facets/FacetFetchWorker.h"
#include "meshops/SolidGeometry.h"

#include <compare>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace pelmora {

// How a host facet list is read: faces of a solid, or polylines. The same
// host mesh read both ways makes two geometries.
enum class FacetListKind { Faces, Polylines };

// What a mesh shows: the factory, the host's mesh, and how its list is read.
struct FacetSourceKey {
    int factoryHandle = 0;
    int hostMesh = 0;
    FacetListKind kind = FacetListKind::Faces;
    auto operator<=>(const FacetSourceKey&) const = default;
};

// A request on the facet worker that several meshes may wait for.
class SharedFacetRequest {
public:
    explicit SharedFacetRequest(std::shared_ptr<FacetFetch> fetch) : fetch_(std::move(fetch)) {}
    // Drops the request, or waits for it when under way: nobody wants it now.
    ~SharedFacetRequest() { FacetFetchWorker::instance().cancel(fetch_); }
    SharedFacetRequest(const SharedFacetRequest&) = delete;
    SharedFacetRequest& operator=(const SharedFacetRequest&) = delete;

    const std::shared_ptr<FacetFetch>& fetch() const { return fetch_; }

private:
    std::shared_ptr<FacetFetch> fetch_;
};

class SharedGeometryTable {
public:
    static SharedGeometryTable& instance();

    // The geometry some mesh made of the source at this deviation and still
    // shows, else null.
    std::shared_ptr<SolidGeometry> geometry(const FacetSourceKey& source, float deviation) const;
    void publish(const FacetSourceKey& source, float deviation, const std::shared_ptr<SolidGeometry>& geometry);
    // The request some mesh has out for the source at this deviation, else null.
    std::shared_ptr<SharedFacetRequest> request(const FacetSourceKey& source, float deviation) const;
    void publish(const FacetSourceKey& source, float deviation, const std::shared_ptr<SharedFacetRequest>& request);
    // Forgets the geometry at this deviation if it is still `stale`: a
    // refreshed mesh fetches anew, and instances refreshed after it take
    // what it fetched instead of asking again.
    void forget(const FacetSourceKey& source, float deviation, const SolidGeometry* stale);
    // Forgets what was made of a factory's facets: its handle is retired and
    // may come back naming another factory.
    void forgetFactory(int factoryHandle);

private:
    struct Entry {
        std::weak_ptr<SolidGeometry> geometry;
        std::weak_ptr<SharedFacetRequest> request;
    };
    // The deviation by its bits: deviations are matched for equality.
    using Key = std::pair<FacetSourceKey, uint32_t>;
    static Key keyOf(const FacetSourceKey& source, float deviation);
    template <class T>
    std::shared_ptr<T> find(std::weak_ptr<T> Entry::*slot, const FacetSourceKey& source, float deviation) const;
    template <class T>
    void put(std::weak_ptr<T> Entry::*slot, const FacetSourceKey& source, float deviation,
             const std::shared_ptr<T>& value);
    // Drops lapsed entries once the table has grown to twice what was live.
    void sweepIfGrown();

    mutable std::mutex mutex_;
    std::map<Key, Entry> entries_;
    size_t sweepAt_ = 64;
};

}  // namespace pelmora
