#include "facets/SharedGeometryTable.h"

#include <algorithm>
#include <bit>

namespace pelmora {

SharedGeometryTable& SharedGeometryTable::instance() {
    // Never destroyed: a mesh released during static destruction may still ask.
    static auto* table = new SharedGeometryTable();
    return *table;
}

SharedGeometryTable::Key SharedGeometryTable::keyOf(const FacetSourceKey& source, float deviation) {
    return {source, std::bit_cast<uint32_t>(deviation)};
}

template <class T>
std::shared_ptr<T> SharedGeometryTable::find(std::weak_ptr<T> Entry::*slot, const FacetSourceKey& source,
                                             float deviation) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto entry = entries_.find(keyOf(source, deviation));
    return entry == entries_.end() ? nullptr : (entry->second.*slot).lock();
}

template <class T>
void SharedGeometryTable::put(std::weak_ptr<T> Entry::*slot, const FacetSourceKey& source, float deviation,
                              const std::shared_ptr<T>& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_[keyOf(source, deviation)].*slot = value;
    sweepIfGrown();
}

std::shared_ptr<SolidGeometry> SharedGeometryTable::geometry(const FacetSourceKey& source,
                                                             float deviation) const {
    return find(&Entry::geometry, source, deviation);
}

void SharedGeometryTable::publish(const FacetSourceKey& source, float deviation,
                                  const std::shared_ptr<SolidGeometry>& geometry) {
    put(&Entry::geometry, source, deviation, geometry);
}

std::shared_ptr<SharedFacetRequest> SharedGeometryTable::request(const FacetSourceKey& source,
                                                                 float deviation) const {
    return find(&Entry::request, source, deviation);
}

void SharedGeometryTable::publish(const FacetSourceKey& source, float deviation,
                                  const std::shared_ptr<SharedFacetRequest>& request) {
    put(&Entry::request, source, deviation, request);
}

void SharedGeometryTable::forget(const FacetSourceKey& source, float deviation, const SolidGeometry* stale) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto entry = entries_.find(keyOf(source, deviation));
    if (entry != entries_.end() && entry->second.geometry.lock().get() == stale) entry->second.geometry.reset();
}

void SharedGeometryTable::forgetFactory(int factoryHandle) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase_if(entries_, [&](const auto& entry) { return entry.first.first.factoryHandle == factoryHandle; });
}

void SharedGeometryTable::sweepIfGrown() {
    if (entries_.size() < sweepAt_) return;
    std::erase_if(entries_, [](const auto& entry) {
        return entry.second.geometry.expired() && entry.second.request.expired();
    });
    sweepAt_ = std::max<size_t>(64, 2 * entries_.size());
}

}  // namespace pelmora
