// The exported registry calls, with the platform's signatures.
#include "platform/win/Registry.h"

#include "core/Diagnostics.h"

#include <pelmora/host.h>

#include <new>

using pelmora::win::Registry;

namespace {

// No exception crosses these C calls: a hive too large for memory, say,
// becomes a status and a log line.
template <class Call>
LSTATUS answer(const char* name, Call&& call) noexcept {
    try {
        return call(Registry::instance());
    } catch (const std::bad_alloc&) {
        pelmora::logFormat("%s: out of memory\n", name);
        return ERROR_OUTOFMEMORY;
    } catch (...) {
        pelmora::logFormat("%s: failed unexpectedly\n", name);
        return ERROR_INVALID_PARAMETER;
    }
}

}  // namespace

PELMORA_API LSTATUS RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD /*Reserved*/,
                                    char* /*lpClass*/, DWORD dwOptions, REGSAM samDesired,
                                    const void* /*lpSecurityAttributes*/, HKEY* phkResult,
                                    DWORD* lpdwDisposition) {
    return answer("RegCreateKeyExA", [&](Registry& registry) {
        return registry.createKey(hKey, lpSubKey, dwOptions, samDesired, phkResult,
                                  lpdwDisposition);
    });
}

PELMORA_API LSTATUS RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD /*ulOptions*/,
                                  REGSAM samDesired, HKEY* phkResult) {
    return answer("RegOpenKeyExA", [&](Registry& registry) {
        return registry.openKey(hKey, lpSubKey, samDesired, phkResult);
    });
}

PELMORA_API LSTATUS RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpReserved,
                                     DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    return answer("RegQueryValueExA", [&](Registry& registry) {
        return registry.queryValue(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData);
    });
}

PELMORA_API LSTATUS RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD /*Reserved*/,
                                   DWORD dwType, const BYTE* lpData, DWORD cbData) {
    return answer("RegSetValueExA", [&](Registry& registry) {
        return registry.setValue(hKey, lpValueName, dwType, lpData, cbData);
    });
}

PELMORA_API LSTATUS RegDeleteValueA(HKEY hKey, const char* lpValueName) {
    return answer("RegDeleteValueA",
                  [&](Registry& registry) { return registry.deleteValue(hKey, lpValueName); });
}

PELMORA_API LSTATUS RegDeleteKeyA(HKEY hKey, const char* lpSubKey) {
    return answer("RegDeleteKeyA",
                  [&](Registry& registry) { return registry.deleteKey(hKey, lpSubKey); });
}

PELMORA_API LSTATUS RegDeleteTreeA(HKEY hKey, const char* lpSubKey) {
    return answer("RegDeleteTreeA",
                  [&](Registry& registry) { return registry.deleteTree(hKey, lpSubKey); });
}

PELMORA_API LSTATUS RegCloseKey(HKEY hKey) {
    return answer("RegCloseKey", [&](Registry& registry) { return registry.closeKey(hKey); });
}
