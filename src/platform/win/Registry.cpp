#include "platform/win/Registry.h"

#include "core/Diagnostics.h"
#include "platform/win/RegistryHive.h"

#include <cstring>
#include <iterator>

namespace pelmora::win {

namespace {

struct PredefinedRoot {
    HKEY key;
    const char* hiveName;
};

const PredefinedRoot kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
};
static_assert(std::size(kRoots) == Registry::kRootCount);

// Issued handles stay clear of the values the platform reserves for its roots.
constexpr uintptr_t kReservedHandlesBegin = 0x80000000u;
constexpr uintptr_t kReservedHandlesEnd = 0x80000100u;

constexpr REGSAM kGenericRead = 0x80000000u;
constexpr REGSAM kGenericWrite = 0x40000000u;
constexpr REGSAM kGenericAll = 0x10000000u;
constexpr REGSAM kMaximumAllowed = 0x02000000u;

REGSAM effectiveAccess(REGSAM requested) {
    REGSAM access = requested;
    if (requested & kGenericRead)
        access |= KEY_READ;
    if (requested & kGenericWrite)
        access |= KEY_WRITE;
    if (requested & (kGenericAll | kMaximumAllowed))
        access |= KEY_ALL_ACCESS;
    return access;
}

LSTATUS refuse(const char* call, LSTATUS status, const char* why) {
    logFormat("%s: %s (error %d)\n", call, why, static_cast<int>(status));
    return status;
}

std::string valueName(const char* name) { return name ? std::string(name) : std::string(); }

RegistryPath joined(const RegistryPath& base, const RegistryPath& relative) {
    RegistryPath path = base;
    path.insert(path.end(), relative.begin(), relative.end());
    return path;
}

}  // namespace

Registry& Registry::instance() {
    static Registry* registry = new Registry();  // outlives every static destructor that logs
    return *registry;
}

bool Registry::resolve(HKEY key, OpenKey* found) const {
    for (size_t i = 0; i < std::size(kRoots); ++i) {
        if (kRoots[i].key == key) {
            *found = OpenKey{i, {}, KEY_ALL_ACCESS};
            return true;
        }
    }
    auto it = open_.find(reinterpret_cast<uintptr_t>(key));
    if (it == open_.end())
        return false;
    *found = it->second;
    return true;
}

RegistryHive& Registry::hiveOf(const OpenKey& key) {
    std::unique_ptr<RegistryHive>& hive = hives_[key.hive];
    if (!hive)
        hive = std::make_unique<RegistryHive>(kRoots[key.hive].hiveName);
    return *hive;
}

RegistryHive& Registry::current(const OpenKey& key) {
    RegistryHive& hive = hiveOf(key);
    hive.refresh();
    return hive;
}

HKEY Registry::issue(OpenKey key) {
    if (next_ >= kReservedHandlesBegin && next_ < kReservedHandlesEnd)
        next_ = kReservedHandlesEnd;
    const uintptr_t handle = next_++;
    open_.emplace(handle, std::move(key));
    return reinterpret_cast<HKEY>(handle);
}

LSTATUS Registry::createKey(HKEY parent, const char* subKey, DWORD options, REGSAM access,
                            HKEY* result, DWORD* disposition) {
    static constexpr const char* kCall = "RegCreateKeyExA";
    std::lock_guard<std::mutex> lock(mutex_);
    OpenKey base;
    RegistryPath relative;
    if (!resolve(parent, &base))
        return refuse(kCall, ERROR_INVALID_HANDLE, "not an open key");
    if (!subKey || !result)
        return refuse(kCall, ERROR_INVALID_PARAMETER, "no subkey name or no result");
    if (options != REG_OPTION_NON_VOLATILE)
        return refuse(kCall, ERROR_INVALID_PARAMETER, "only non-volatile keys are kept");
    if (!splitKeyPath(subKey, &relative))
        return refuse(kCall, ERROR_INVALID_PARAMETER, "malformed key path");
    if (base.path.size() + relative.size() > kMaxKeyDepth)
        return refuse(kCall, ERROR_INVALID_PARAMETER, "the key would lie too deep");
    RegistryHive& hive = hiveOf(base);
    RegistryHive::Update update(hive);
    if (update.status() != ERROR_SUCCESS)
        return update.status();
    RegistryKey* baseKey = hive.root().find(base.path);
    if (!baseKey)
        return ERROR_KEY_DELETED;
    const bool exists = baseKey->find(relative) != nullptr;
    if (!exists) {
        if (!(base.access & KEY_CREATE_SUB_KEY))
            return refuse(kCall, ERROR_ACCESS_DENIED, "parent key not opened for creating");
        baseKey->create(relative, nullptr);
        if (const LSTATUS saved = update.commit(); saved != ERROR_SUCCESS)
            return saved;
    }
    *result = issue(OpenKey{base.hive, joined(base.path, relative), effectiveAccess(access)});
    if (disposition)
        *disposition = exists ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    return ERROR_SUCCESS;
}

LSTATUS Registry::openKey(HKEY parent, const char* subKey, REGSAM access, HKEY* result) {
    static constexpr const char* kCall = "RegOpenKeyExA";
    std::lock_guard<std::mutex> lock(mutex_);
    OpenKey base;
    RegistryPath relative;
    if (!result)
        return refuse(kCall, ERROR_INVALID_PARAMETER, "no result");
    *result = nullptr;
    if (!resolve(parent, &base))
        return refuse(kCall, ERROR_INVALID_HANDLE, "not an open key");
    if (!splitKeyPath(subKey, &relative))
        return refuse(kCall, ERROR_INVALID_PARAMETER, "malformed key path");
    if (base.path.size() + relative.size() > kMaxKeyDepth)
        return refuse(kCall, ERROR_INVALID_PARAMETER, "the key would lie too deep");
    RegistryHive& hive = current(base);
    RegistryKey* baseKey = hive.root().find(base.path);
    if (!baseKey)
        return ERROR_KEY_DELETED;
    if (!baseKey->find(relative))
        return ERROR_FILE_NOT_FOUND;
    *result = issue(OpenKey{base.hive, joined(base.path, relative), effectiveAccess(access)});
    return ERROR_SUCCESS;
}

LSTATUS Registry::queryValue(HKEY key, const char* name, const DWORD* reserved, DWORD* type,
                             BYTE* data, DWORD* size) {
    static constexpr const char* kCall = "RegQueryValueExA";
    std::lock_guard<std::mutex> lock(mutex_);
    OpenKey open;
    if (!resolve(key, &open))
        return refuse(kCall, ERROR_INVALID_HANDLE, "not an open key");
    if (reserved || (data && !size))
        return refuse(kCall, ERROR_INVALID_PARAMETER, "reserved argument set or no size");
    if (!(open.access & KEY_QUERY_VALUE))
        return refuse(kCall, ERROR_ACCESS_DENIED, "key not opened for reading values");
    const RegistryKey* found = current(open).root().find(open.path);
    if (!found)
        return ERROR_KEY_DELETED;
    const RegistryValue* value = found->value(valueName(name));
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = value->type;
    if (!size)
        return ERROR_SUCCESS;
    const DWORD needed = static_cast<DWORD>(value->data.size());
    const DWORD available = *size;
    *size = needed;
    if (!data)
        return ERROR_SUCCESS;
    if (available < needed)
        return ERROR_MORE_DATA;
    if (needed > 0)
        std::memcpy(data, value->data.data(), needed);
    return ERROR_SUCCESS;
}

LSTATUS Registry::setValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) {
    static constexpr const char* kCall = "RegSetValueExA";
    std::lock_guard<std::mutex> lock(mutex_);
    OpenKey open;
    if (!resolve(key, &open))
        return refuse(kCall, ERROR_INVALID_HANDLE, "not an open key");
    if (!data && size > 0)
        return refuse(kCall, ERROR_INVALID_PARAMETER, "no data");
    if (!isKnownValueType(type) || !hasValidSize(type, size))
        return refuse(kCall, ERROR_INVALID_PARAMETER, "unknown value type or wrong size");
    if (size > kMaxValueSize)
        return refuse(kCall, ERROR_INVALID_PARAMETER, "the value is larger than 1 MiB");
    if (name && std::strlen(name) > kMaxValueNameLength)
        return refuse(kCall, ERROR_INVALID_PARAMETER, "the value name is too long");
    if (!(open.access & KEY_SET_VALUE))
        return refuse(kCall, ERROR_ACCESS_DENIED, "key not opened for setting values");
    RegistryValue value{type, std::vector<BYTE>(data, data + size)};
    terminateStringData(type, value.data);
    RegistryHive& hive = hiveOf(open);
    RegistryHive::Update update(hive);
    if (update.status() != ERROR_SUCCESS)
        return update.status();
    RegistryKey* found = hive.root().find(open.path);
    if (!found)
        return ERROR_KEY_DELETED;
    found->setValue(valueName(name), std::move(value));
    return update.commit();
}

LSTATUS Registry::deleteValue(HKEY key, const char* name) {
    static constexpr const char* kCall = "RegDeleteValueA";
    std::lock_guard<std::mutex> lock(mutex_);
    OpenKey open;
    if (!resolve(key, &open))
        return refuse(kCall, ERROR_INVALID_HANDLE, "not an open key");
    if (!(open.access & KEY_SET_VALUE))
        return refuse(kCall, ERROR_ACCESS_DENIED, "key not opened for setting values");
    RegistryHive& hive = hiveOf(open);
    RegistryHive::Update update(hive);
    if (update.status() != ERROR_SUCCESS)
        return update.status();
    RegistryKey* found = hive.root().find(open.path);
    if (!found)
        return ERROR_KEY_DELETED;
    if (!found->removeValue(valueName(name)))
        return ERROR_FILE_NOT_FOUND;
    return update.commit();
}

LSTATUS Registry::deleteKey(HKEY parent, const char* subKey) {
    return removeKey(parent, subKey, false, "RegDeleteKeyA");
}

LSTATUS Registry::deleteTree(HKEY parent, const char* subKey) {
    return removeKey(parent, subKey, true, "RegDeleteTreeA");
}

LSTATUS Registry::removeKey(HKEY parent, const char* subKey, bool withSubkeys, const char* call) {
    std::lock_guard<std::mutex> lock(mutex_);
    OpenKey base;
    RegistryPath relative;
    if (!resolve(parent, &base))
        return refuse(call, ERROR_INVALID_HANDLE, "not an open key");
    if (!subKey || !splitKeyPath(subKey, &relative))
        return refuse(call, ERROR_INVALID_PARAMETER, "missing or malformed key path");
    if (base.path.size() + relative.size() > kMaxKeyDepth)
        return refuse(call, ERROR_INVALID_PARAMETER, "the key would lie too deep");
    const RegistryPath target = joined(base.path, relative);
    if (target.empty())
        return refuse(call, ERROR_ACCESS_DENIED, "a hive root cannot be deleted");
    RegistryHive& hive = hiveOf(base);
    RegistryHive::Update update(hive);
    if (update.status() != ERROR_SUCCESS)
        return update.status();
    if (!hive.root().find(base.path))
        return ERROR_KEY_DELETED;
    const RegistryKey* found = hive.root().find(target);
    if (!found)
        return ERROR_FILE_NOT_FOUND;
    if (!withSubkeys && !found->children().empty())
        return refuse(call, ERROR_ACCESS_DENIED, "the key has subkeys");
    const RegistryPath parentPath(target.begin(), target.end() - 1);
    hive.root().find(parentPath)->removeChild(target.back());
    return update.commit();
}

LSTATUS Registry::closeKey(HKEY key) {
    std::lock_guard<std::mutex> lock(mutex_);
    OpenKey ignored;
    if (!resolve(key, &ignored))
        return refuse("RegCloseKey", ERROR_INVALID_HANDLE, "not an open key");
    open_.erase(reinterpret_cast<uintptr_t>(key));  // the predefined roots are never in the table
    return ERROR_SUCCESS;
}

size_t Registry::openKeyCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_.size();
}

}  // namespace pelmora::win
