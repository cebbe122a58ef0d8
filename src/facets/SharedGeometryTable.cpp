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

std::shared_ptr<SolidGeometry> SharedGeometryTable::geometry(const FacetSourceKey& source,
                                                             float deviation) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto entry = entries_.find(keyOf(source, deviation));
    return entry == entries_.end() ? nullptr : entry->second.geometry.lock();
}

void SharedGeometryTable::publish(const FacetSourceKey& source, float deviation,
                                  const std::shared_ptr<SolidGeometry>& geometry) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_[keyOf(source, deviation)].geometry = geometry;
    sweepIfGrown();
}

std::shared_ptr<SharedFacetRequest> SharedGeometryTable::request(const FacetSourceKey& source,
                                                                 float deviation) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto entry = entries_.find(keyOf(source, deviation));
    return entry == entries_.end() ? nullptr : entry->second.request.lock();
}

void SharedGeometryTable::publish(const FacetSourceKey& source, float deviation,
                                  const std::shared_ptr<SharedFacetRequest>& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_[keyOf(source, deviation)].request = request;
    sweepIfGrown();
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
