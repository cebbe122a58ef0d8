#include "core/StringConversion.h"

#include <vector>

namespace pelmora {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void appendUtf16(std::vector<OLECHAR>& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(static_cast<OLECHAR>(c));
    } else {
        c -= 0x10000;
        out.push_back(static_cast<OLECHAR>(0xD800 + (c >> 10)));
        out.push_back(static_cast<OLECHAR>(0xDC00 + (c & 0x3FF)));
    }
}

// Decodes one UTF-8 sequence at text[i], advancing i; malformed bytes give U+FFFD.
char32_t decodeUtf8(const std::string& text, size_t& i) {
    unsigned char lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) return lead;
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0) return kReplacement;
    char32_t c = lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return kReplacement;
        c = (c << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    }
    return c > 0x10FFFF ? kReplacement : c;
}

}  // namespace

std::string narrowFromBstr(BSTR text) {
    if (!text) return std::string();
    return narrowFromWide(std::u16string_view(text, SysStringLen(text)));
}

std::string narrowFromWide(std::u16string_view text) {
    std::string out;
    const size_t length = text.size();
    for (size_t i = 0; i < length; ++i) {
        char32_t c = text[i];
        bool high = c >= 0xD800 && c < 0xDC00;
        if (high && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = kReplacement;
        }
        appendUtf8(out, c);
    }
    return out;
}

BSTR bstrFromNarrow(const std::string& text) {
    std::vector<OLECHAR> wide;
    for (size_t i = 0; i < text.size();) appendUtf16(wide, decodeUtf8(text, i));
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

}  // namespace pelmora
