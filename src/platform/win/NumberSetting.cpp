#include "platform/win/NumberSetting.h"

#include <pelmora/host.h>

#include <cstdlib>
#include <string>

namespace pelmora::win {
namespace {

constexpr const char* kPelmoraKey = "Software\\Torvel, Inc.\\Torvel Design\\Pelmora";
constexpr DWORD kTextLength = 64;

bool parseNumber(DWORD type, const BYTE* data, DWORD size, double* value) {
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD number = 0;
        for (DWORD i = 0; i < sizeof(DWORD); ++i) number |= DWORD(data[i]) << (8 * i);
        *value = double(number);
        return true;
    }
    if (type != REG_SZ) return false;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const char* begin = text.c_str();
    char* end = nullptr;
    *value = std::strtod(begin, &end);
    return end != begin && *end == '\0';
}

}  // namespace

NumberSetting readNumberSetting(const char* valueName, double* value) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kPelmoraKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return NumberSetting::Absent;
    BYTE data[kTextLength] = {};
    DWORD size = kTextLength - 1, type = 0;
    const LONG status = RegQueryValueExA(key, valueName, nullptr, &type, data, &size);
    RegCloseKey(key);
    if (status == ERROR_FILE_NOT_FOUND) return NumberSetting::Absent;
    double number = 0;
    if (status != ERROR_SUCCESS || !parseNumber(type, data, size, &number)) return NumberSetting::NotANumber;
    *value = number;
    return NumberSetting::Read;
}

}  // namespace pelmora::win
