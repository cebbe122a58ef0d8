// One registry value: its type and its bytes, exactly as stored.
#pragma once

#include <pelmora/host.h>

#include <cstddef>
#include <string_view>
#include <vector>

namespace pelmora::win {

// Limits of this store: a value holds at most 1 MiB, and its name (as on
// the platform) at most 16,383 characters.
inline constexpr size_t kMaxValueSize = size_t(1) << 20;
inline constexpr size_t kMaxValueNameLength = 16383;

struct RegistryValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// The types the store keeps; any other type number is refused.
bool isKnownValueType(DWORD type);

// "REG_SZ", "REG_DWORD", ...; null for an unknown type.
const char* valueTypeName(DWORD type);
bool valueTypeFromName(std::string_view name, DWORD* type);

// Fixed-size types must come with exactly their size.
bool hasValidSize(DWORD type, size_t size);

// Makes string data end as readers expect: one terminating 0 for REG_SZ and
// REG_EXPAND_SZ, two for REG_MULTI_SZ.
void terminateStringData(DWORD type, std::vector<BYTE>& data);

}  // namespace pelmora::win
