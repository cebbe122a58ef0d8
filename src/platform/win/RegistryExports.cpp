// The exported registry calls, with the platform's signatures.
#include "platform/win/Registry.h"

#include <pelmora/host.h>

using pelmora::win::Registry;

PELMORA_API LSTATUS RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD /*Reserved*/,
                                    char* /*lpClass*/, DWORD dwOptions, REGSAM samDesired,
                                    const void* /*lpSecurityAttributes*/, HKEY* phkResult,
                                    DWORD* lpdwDisposition) {
    return Registry::instance().createKey(hKey, lpSubKey, dwOptions, samDesired, phkResult,
                                          lpdwDisposition);
}

PELMORA_API LSTATUS RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD /*ulOptions*/,
                                  REGSAM samDesired, HKEY* phkResult) {
    return Registry::instance().openKey(hKey, lpSubKey, samDesired, phkResult);
}

PELMORA_API LSTATUS RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpReserved,
                                     DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    return Registry::instance().queryValue(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData);
}

PELMORA_API LSTATUS RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD /*Reserved*/,
                                   DWORD dwType, const BYTE* lpData, DWORD cbData) {
    return Registry::instance().setValue(hKey, lpValueName, dwType, lpData, cbData);
}

PELMORA_API LSTATUS RegDeleteValueA(HKEY hKey, const char* lpValueName) {
    return Registry::instance().deleteValue(hKey, lpValueName);
}

PELMORA_API LSTATUS RegDeleteKeyA(HKEY hKey, const char* lpSubKey) {
    return Registry::instance().deleteKey(hKey, lpSubKey);
}

PELMORA_API LSTATUS RegDeleteTreeA(HKEY hKey, const char* lpSubKey) {
    return Registry::instance().deleteTree(hKey, lpSubKey);
}

PELMORA_API LSTATUS RegCloseKey(HKEY hKey) { return Registry::instance().closeKey(hKey); }
