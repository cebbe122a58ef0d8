// Length-prefixed strings. Each allocation starts with 4 bytes of padding
// (keeping the characters 8-byte aligned, as on 64-bit hosts), then the
// 32-bit byte length, the characters and a 0 terminator; the BSTR points at
// the first character, so code that reads the length before it works unchanged.
#include <pelmora/automation.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/com/AutomationCopy.h"

namespace {

constexpr size_t kPaddingBytes = 4;
constexpr size_t kLengthBytes = sizeof(uint32_t);
constexpr size_t kPrefixBytes = kPaddingBytes + kLengthBytes;
// The byte length must fit its 32-bit field.
constexpr UINT kMaxCharacters = UINT32_MAX / sizeof(OLECHAR);

char* blockOf(BSTR text) { return reinterpret_cast<char*>(text) - kPrefixBytes; }

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    if (ui > kMaxCharacters) return nullptr;
    const uint32_t byteLength = static_cast<uint32_t>(ui * sizeof(OLECHAR));
    char* block = static_cast<char*>(std::malloc(kPrefixBytes + byteLength + sizeof(OLECHAR)));
    if (block == nullptr) return nullptr;
    std::memset(block, 0, kPaddingBytes);
    std::memcpy(block + kPaddingBytes, &byteLength, kLengthBytes);
    BSTR text = reinterpret_cast<BSTR>(block + kPrefixBytes);
    if (strIn != nullptr)
        std::memcpy(text, strIn, byteLength);
    else
        std::memset(text, 0, byteLength);
    text[ui] = 0;
    return text;
}

BSTR SysAllocString(const OLECHAR* psz) {
    if (psz == nullptr) return nullptr;
    const size_t length = std::char_traits<OLECHAR>::length(psz);
    if (length > kMaxCharacters) return nullptr;
    return SysAllocStringLen(psz, static_cast<UINT>(length));
}

void SysFreeString(BSTR bstrString) {
    if (bstrString != nullptr) std::free(blockOf(bstrString));
}

UINT SysStringLen(BSTR pbstr) {
    if (pbstr == nullptr) return 0;
    uint32_t byteLength;
    std::memcpy(&byteLength, blockOf(pbstr) + kPaddingBytes, kLengthBytes);
    return byteLength / sizeof(OLECHAR);
}

namespace pelmora {

BSTR copyBstr(BSTR source) {
    if (source == nullptr) return nullptr;
    return SysAllocStringLen(source, SysStringLen(source));
}

}  // namespace pelmora
