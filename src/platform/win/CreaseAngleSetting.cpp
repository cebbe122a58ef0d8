#include "platform/win/CreaseAngleSetting.h"

#include "core/Diagnostics.h"

#include <pelmora/host.h>

#include <cstdlib>
#include <string>

namespace pelmora::win {
namespace {

constexpr const char* kPelmoraKey = "Software\\Torvel, Inc.\\Torvel Design\\Pelmora";
constexpr const char* kCreaseValue = "Crease Angle";
constexpr float kMostDegrees = 180.0f;
constexpr DWORD kTextLength = 64;

// The value as a number of degrees; false when it is neither a DWORD nor a
// string that is wholly a number.
bool parseDegrees(DWORD type, const BYTE* data, DWORD size, float* degrees) {
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD value = 0;
        for (DWORD i = 0; i < sizeof(DWORD); ++i) value |= DWORD(data[i]) << (8 * i);
        *degrees = float(value);
        return true;
    }
    if (type != REG_SZ) return false;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const char* begin = text.c_str();
    char* end = nullptr;
    *degrees = std::strtof(begin, &end);
    return end != begin && (*end == '\0');
}

}  // namespace

float readCreaseAngleSetting() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kPelmoraKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return kDefaultCreaseDegrees;
    BYTE data[kTextLength] = {};
    DWORD size = kTextLength - 1, type = 0;
    const LONG status = RegQueryValueExA(key, kCreaseValue, nullptr, &type, data, &size);
    RegCloseKey(key);
    if (status == ERROR_FILE_NOT_FOUND) return kDefaultCreaseDegrees;
    float degrees = kDefaultCreaseDegrees;
    if (status != ERROR_SUCCESS || !parseDegrees(type, data, size, &degrees) || !(degrees >= 0.0f) ||
        degrees > kMostDegrees) {
        logFormat("Pelmora: the registry's \"%s\" is not a number of degrees from 0 to 180; %g is "
                  "used\n",
                  kCreaseValue, double(kDefaultCreaseDegrees));
        return kDefaultCreaseDegrees;
    }
    return degrees;
}

}  // namespace pelmora::win
