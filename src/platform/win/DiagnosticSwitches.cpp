#include "platform/win/DiagnosticSwitches.h"

#include <pelmora/host.h>

#include <vector>

namespace pelmora::win {
namespace {

constexpr const char* kPelmoraKey = "Software\\Torvel, Inc.\\Torvel Design\\Pelmora";
constexpr const char* kProfilingKey = "Software\\Torvel, Inc.\\Torvel Design\\Profiling";
constexpr const char* kLogErrorsValue = "Log Errors";
constexpr const char* kQuietValue = "Quiet";
constexpr const char* kProfilingValue = "Enabled";
constexpr DWORD kSwitchBufferSize = 256;

bool isAffirmative(char first) {
    return first == 'T' || first == 't' || first == 'Y' || first == 'y';
}

enum class SwitchKey { Absent, Present };

// Reads a value's first byte from a key of HKEY_CURRENT_USER; the value's type
// is not checked. A value longer than the usual buffer is read whole, so its
// first byte still counts. An unreadable value leaves first at '\0'.
SwitchKey readSwitch(const char* keyPath, const char* valueName, char* first) {
    HKEY key = nullptr;
    *first = '\0';
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return SwitchKey::Absent;
    std::vector<BYTE> buffer(kSwitchBufferSize);
    DWORD size = kSwitchBufferSize;
    LONG status = RegQueryValueExA(key, valueName, nullptr, nullptr, buffer.data(), &size);
    if (status == ERROR_MORE_DATA) {
        buffer.resize(size);
        status = RegQueryValueExA(key, valueName, nullptr, nullptr, buffer.data(), &size);
    }
    if (status == ERROR_SUCCESS && size > 0)
        *first = static_cast<char>(buffer[0]);
    RegCloseKey(key);
    return SwitchKey::Present;
}

}  // namespace

bool readLogErrorsSwitch() {
    char first;
    return readSwitch(kPelmoraKey, kLogErrorsValue, &first) == SwitchKey::Absent ||
           isAffirmative(first);
}

bool readQuietSwitch() {
    char first;
    readSwitch(kPelmoraKey, kQuietValue, &first);
    return isAffirmative(first);
}

bool readProfilingSwitch() {
    char first;
    readSwitch(kProfilingKey, kProfilingValue, &first);
    return isAffirmative(first);
}

}  // namespace pelmora::win
