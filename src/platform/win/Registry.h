// The registry behind the exported Reg* calls: keys opened through a table
// of handles (a handle names a hive and a path, never memory), values read
// and written through the hive files, each kept in memory while its file
// stays as it was (RegistryHive). Key paths are limited to kMaxKeyDepth
// levels and values to kMaxValueSize bytes; beyond, ERROR_INVALID_PARAMETER.
#pragma once

#include "platform/win/RegistryHive.h"
#include "platform/win/RegistryKey.h"

#include <pelmora/host.h>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace pelmora::win {

class Registry {
public:
    // HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
    static constexpr size_t kRootCount = 3;

    static Registry& instance();

    LSTATUS createKey(HKEY parent, const char* subKey, DWORD options, REGSAM access, HKEY* result,
                      DWORD* disposition);
    LSTATUS openKey(HKEY parent, const char* subKey, REGSAM access, HKEY* result);
    LSTATUS queryValue(HKEY key, const char* name, const DWORD* reserved, DWORD* type, BYTE* data,
                       DWORD* size);
    LSTATUS setValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size);
    LSTATUS deleteValue(HKEY key, const char* name);
    LSTATUS deleteKey(HKEY parent, const char* subKey);
    // Deletes the key with every subkey under it.
    LSTATUS deleteTree(HKEY parent, const char* subKey);
    LSTATUS closeKey(HKEY key);

    // Keys opened and not yet closed.
    size_t openKeyCount() const;

private:
    struct OpenKey {
        size_t hive = 0;
        RegistryPath path;
        REGSAM access = 0;
    };

    bool resolve(HKEY key, OpenKey* found) const;
    // The hive a key lies in, as last read; current() reads it again first
    // if its file changed.
    RegistryHive& hiveOf(const OpenKey& key);
    RegistryHive& current(const OpenKey& key);
    LSTATUS removeKey(HKEY parent, const char* subKey, bool withSubkeys, const char* call);
    HKEY issue(OpenKey key);

    mutable std::mutex mutex_;
    std::unordered_map<uintptr_t, OpenKey> open_;
    std::array<std::unique_ptr<RegistryHive>, kRootCount> hives_;
    uintptr_t next_ = 1;
};

}  // namespace pelmora::win
