#include "platform/win/RegistryKey.h"

#include <algorithm>
#include <cctype>

namespace pelmora::win {

namespace {

constexpr char kSeparator = '\\';

unsigned char foldCase(char c) {
    return static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
}

}  // namespace

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return foldCase(x) < foldCase(y); });
}

RegistryKey::~RegistryKey() {
    std::vector<std::unique_ptr<RegistryKey>> doomed;
    auto adoptChildren = [&doomed](Children& children) {
        for (auto& entry : children) doomed.push_back(std::move(entry.second));
        children.clear();
    };
    adoptChildren(children_);
    while (!doomed.empty()) {
        std::unique_ptr<RegistryKey> key = std::move(doomed.back());
        doomed.pop_back();
        adoptChildren(key->children_);
    }  // each key goes with no children left
}

RegistryKey* RegistryKey::find(const RegistryPath& path) {
    RegistryKey* key = this;
    for (const std::string& name : path) {
        auto it = key->children_.find(name);
        if (it == key->children_.end())
            return nullptr;
        key = it->second.get();
    }
    return key;
}

RegistryKey* RegistryKey::create(const RegistryPath& path, bool* created) {
    RegistryKey* key = this;
    bool madeLast = false;
    for (const std::string& name : path) {
        std::unique_ptr<RegistryKey>& child = key->children_[name];
        madeLast = !child;
        if (madeLast)
            child = std::make_unique<RegistryKey>();
        key = child.get();
    }
    if (created)
        *created = madeLast;
    return key;
}

void RegistryKey::removeChild(const std::string& name) { children_.erase(name); }

const RegistryValue* RegistryKey::value(const std::string& name) const {
    auto it = values_.find(name);
    return it == values_.end() ? nullptr : &it->second;
}

void RegistryKey::setValue(const std::string& name, RegistryValue value) {
    auto it = values_.find(name);
    if (it == values_.end())
        values_.emplace(name, std::move(value));
    else
        it->second = std::move(value);  // keeps the spelling the value was made with
}

bool RegistryKey::removeValue(const std::string& name) { return values_.erase(name) > 0; }

bool splitKeyPath(const char* text, RegistryPath* path) {
    path->clear();
    std::string rest = text ? text : "";
    if (!rest.empty() && rest.back() == kSeparator)
        rest.pop_back();
    if (rest.empty())
        return true;
    size_t start = 0;
    while (true) {
        const size_t end = rest.find(kSeparator, start);
        std::string name = rest.substr(start, end == std::string::npos ? end : end - start);
        if (name.empty() || name.size() > kMaxKeyNameLength || path->size() == kMaxKeyDepth)
            return false;
        path->push_back(std::move(name));
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
}

}  // namespace pelmora::win
