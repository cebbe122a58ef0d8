#include "HandlePool.h"

#include "FuzzInput.h"

namespace pelmora::fuzz {

namespace {

// Old records go first once the pool is full, so it stays cheap to search.
constexpr size_t kPoolLimit = 512;

bool isSceneObject(Kind kind) {
    return kind == Kind::Frame || kind == Kind::Visual || kind == Kind::Viewport;
}

}  // namespace

void HandlePool::add(int handle, Kind kind, int owner) {
    if (handle == 0) return;
    if (records_.size() >= kPoolLimit) records_.erase(records_.begin());
    records_.push_back({handle, kind, owner, true});
}

void HandlePool::release(int handle) {
    for (Record& record : records_)
        if (record.handle == handle) record.live = false;
}

void HandlePool::releaseOwnedBy(int owner) {
    for (Record& record : records_)
        if (record.owner == owner && record.kind != Kind::Viewport &&
            (isSceneObject(record.kind) || record.kind == Kind::Provider))
            record.live = false;
}

template <class Match>
int HandlePool::pickWhere(FuzzInput& input, Match match) const {
    size_t count = 0;
    for (const Record& record : records_) count += match(record) ? 1 : 0;
    if (count == 0) return 0;
    size_t chosen = input.below(count);
    for (const Record& record : records_) {
        if (!match(record)) continue;
        if (chosen-- == 0) return record.handle;
    }
    return 0;
}

int HandlePool::pick(FuzzInput& input, Kind kind, int preferredOwner) const {
    if (preferredOwner >= 0) {
        int own = pickWhere(input, [&](const Record& r) {
            return r.live && r.kind == kind && r.owner == preferredOwner;
        });
        if (own != 0) return own;
    }
    return pickWhere(input, [&](const Record& r) { return r.live && r.kind == kind; });
}

int HandlePool::pickObject(FuzzInput& input) const {
    return pickWhere(input, [](const Record& r) { return r.live && isSceneObject(r.kind); });
}

int HandlePool::pickAny(FuzzInput& input) const {
    return pickWhere(input, [](const Record&) { return true; });
}

int HandlePool::pickStale(FuzzInput& input) const {
    return pickWhere(input, [](const Record& r) { return !r.live; });
}

std::vector<int> HandlePool::live(Kind kind) const {
    std::vector<int> handles;
    for (const Record& record : records_)
        if (record.live && record.kind == kind) handles.push_back(record.handle);
    return handles;
}

}  // namespace pelmora::fuzz
