// A key of the in-memory registry tree: subkeys and values, both named
// case-insensitively (ASCII letters), keeping the spelling they were made with.
#pragma once

#include "platform/win/RegistryValue.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pelmora::win {

// Key names from a hive root down, without separators.
using RegistryPath = std::vector<std::string>;

// The platform's limits: a key name of at most 255 characters, keys at most
// 512 levels below their hive root.
inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxKeyDepth = 512;

struct CaseInsensitiveLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

class RegistryKey {
public:
    using Children = std::map<std::string, std::unique_ptr<RegistryKey>, CaseInsensitiveLess>;
    using Values = std::map<std::string, RegistryValue, CaseInsensitiveLess>;

    RegistryKey() = default;
    // Takes the subtree apart level by level: however deep a hostile file
    // made it, no destructor calls another.
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // The key at the path below this one, or null.
    RegistryKey* find(const RegistryPath& path);

    // The key at the path, made with its missing ancestors; *created says
    // whether the last key is new.
    RegistryKey* create(const RegistryPath& path, bool* created);

    // Removes a direct subkey with everything under it.
    void removeChild(const std::string& name);

    const Children& children() const { return children_; }

    const RegistryValue* value(const std::string& name) const;
    void setValue(const std::string& name, RegistryValue value);
    bool removeValue(const std::string& name);

    const Values& values() const { return values_; }

private:
    Children children_;
    Values values_;
};

// Splits "A\B\C" into its names. An empty text is the key itself; a trailing
// separator is allowed; a leading one, an empty name, a name longer than
// kMaxKeyNameLength or more than kMaxKeyDepth names are refused.
bool splitKeyPath(const char* text, RegistryPath* path);

}  // namespace pelmora::win
