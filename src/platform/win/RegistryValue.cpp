#include "platform/win/RegistryValue.h"

#include <cstdint>

namespace pelmora::win {

namespace {

struct TypeInfo {
    DWORD type;
    const char* name;
    size_t fixedSize;  // 0: any size
};

constexpr TypeInfo kTypes[] = {
    {REG_NONE, "REG_NONE", 0},
    {REG_SZ, "REG_SZ", 0},
    {REG_EXPAND_SZ, "REG_EXPAND_SZ", 0},
    {REG_BINARY, "REG_BINARY", 0},
    {REG_DWORD, "REG_DWORD", sizeof(uint32_t)},
    {REG_MULTI_SZ, "REG_MULTI_SZ", 0},
    {REG_QWORD, "REG_QWORD", sizeof(uint64_t)},
};

const TypeInfo* findType(DWORD type) {
    for (const TypeInfo& info : kTypes)
        if (info.type == type)
            return &info;
    return nullptr;
}

}  // namespace

bool isKnownValueType(DWORD type) { return findType(type) != nullptr; }

const char* valueTypeName(DWORD type) {
    const TypeInfo* info = findType(type);
    return info ? info->name : nullptr;
}

bool valueTypeFromName(std::string_view name, DWORD* type) {
    for (const TypeInfo& info : kTypes) {
        if (name == info.name) {
            *type = info.type;
            return true;
        }
    }
    return false;
}

bool hasValidSize(DWORD type, size_t size) {
    const TypeInfo* info = findType(type);
    return info && (info->fixedSize == 0 || info->fixedSize == size);
}

void terminateStringData(DWORD type, std::vector<BYTE>& data) {
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ)
        return;
    // A string written without its terminator gets one; a list ends with an empty string.
    if (data.empty() || data.back() != 0)
        data.push_back(0);
    if (type == REG_MULTI_SZ && (data.size() < 2 || data[data.size() - 2] != 0))
        data.push_back(0);
}

}  // namespace pelmora::win
