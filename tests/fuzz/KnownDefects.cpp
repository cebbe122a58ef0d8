#include "KnownDefects.h"

#include <cstring>

namespace pelmora::fuzz {

namespace {

constexpr const char* kNames[] = {
    "present-rectangle", "array-bounds",    "empty-dimension",  "name-as-bstr",
    "shared-scene",      "null-face-list",  "reentrant-release", "dangling-source",
    "null-reference",    "handle-revival",  "foreign-viewport", "unbalanced-unlock",
};
static_assert(std::size(kNames) == static_cast<size_t>(KnownDefect::Count));

}  // namespace

KnownDefectSet KnownDefectSet::all() {
    KnownDefectSet set;
    for (unsigned i = 0; i < static_cast<unsigned>(KnownDefect::Count); ++i)
        set.add(static_cast<KnownDefect>(i));
    return set;
}

const char* KnownDefectSet::nameOf(KnownDefect defect) { return kNames[static_cast<unsigned>(defect)]; }

std::string KnownDefectSet::names() {
    std::string list;
    for (const char* name : kNames) list += (list.empty() ? "" : ", ") + std::string(name);
    return list;
}

bool KnownDefectSet::parse(const std::string& list, KnownDefectSet* set) {
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find(',', start), list.size());
        const std::string name = list.substr(start, end - start);
        if (name == "all") {
            *set = all();
        } else if (!name.empty()) {
            unsigned i = 0;
            while (i < std::size(kNames) && name != kNames[i]) ++i;
            if (i == std::size(kNames)) return false;
            set->add(static_cast<KnownDefect>(i));
        }
        start = end + 1;
    }
    return true;
}

}  // namespace pelmora::fuzz
