#include "platform/com/VariantNumber.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <limits>

namespace pelmora {

namespace {

constexpr int64_t kCurrencyScale = 10000;
constexpr int kDoubleDigits = 15;
constexpr int kSingleDigits = 7;

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

std::u16string_view trimmed(std::u16string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The text as ASCII, or false when it holds anything else (no number does).
bool asAscii(std::u16string_view text, std::string* ascii) {
    ascii->clear();
    for (char16_t c : text) {
        if (c >= 0x80) return false;
        ascii->push_back(static_cast<char>(c));
    }
    return true;
}

std::u16string widened(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

bool equalIgnoringCase(const std::string& text, const char* word) {
    size_t i = 0;
    for (; i < text.size() && word[i] != '\0'; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != word[i]) return false;
    return i == text.size() && word[i] == '\0';
}

// &H and &O numbers: digits of one base, kept as a bit pattern.
HRESULT parseRadix(const std::string& digits, int base, VariantNumber* number) {
    if (digits.empty()) return DISP_E_TYPEMISMATCH;
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (error == std::errc::result_out_of_range) return DISP_E_OVERFLOW;
    if (error != std::errc() || end != digits.data() + digits.size()) return DISP_E_TYPEMISMATCH;
    if (value <= std::numeric_limits<uint32_t>::max())
        *number = VariantNumber::fromSigned(static_cast<int32_t>(static_cast<uint32_t>(value)));
    else
        *number = VariantNumber::fromSigned(static_cast<int64_t>(value));
    return S_OK;
}

// Checks the decimal form: [sign] (digits [. [digits]] | . digits) [e [sign] digits].
bool isDecimal(const std::string& text, bool* integral) {
    size_t i = 0;
    auto digits = [&] {
        const size_t start = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        return i - start;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t mantissa = digits();
    *integral = true;
    if (i < text.size() && text[i] == '.') {
        ++i;
        *integral = false;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        *integral = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == text.size();
}

HRESULT parseDecimal(std::string text, VariantNumber* number) {
    bool integral = false;
    if (!isDecimal(text, &integral)) return DISP_E_TYPEMISMATCH;
    if (text.front() == '+') text.erase(0, 1);  // from_chars takes no plus sign
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (integral) {
        int64_t signedValue = 0;
        if (std::from_chars(first, last, signedValue).ec == std::errc()) {
            *number = VariantNumber::fromSigned(signedValue);
            return S_OK;
        }
        uint64_t unsignedValue = 0;
        if (text.front() != '-' && std::from_chars(first, last, unsignedValue).ec == std::errc()) {
            *number = VariantNumber::fromUnsigned(unsignedValue);
            return S_OK;
        }
    }
    double real = 0.0;
    const auto [end, error] = std::from_chars(first, last, real);
    if (error == std::errc::result_out_of_range) return DISP_E_OVERFLOW;
    if (error != std::errc() || end != last) return DISP_E_TYPEMISMATCH;
    *number = VariantNumber::fromReal(real);
    return S_OK;
}

}  // namespace

VariantNumber VariantNumber::fromSigned(int64_t value) {
    VariantNumber number;
    number.kind = Kind::Signed;
    number.signedValue = value;
    return number;
}

VariantNumber VariantNumber::fromUnsigned(uint64_t value) {
    VariantNumber number;
    number.kind = Kind::Unsigned;
    number.unsignedValue = value;
    return number;
}

VariantNumber VariantNumber::fromReal(double value, bool singlePrecision) {
    VariantNumber number;
    number.kind = Kind::Real;
    number.realValue = value;
    number.singlePrecision = singlePrecision;
    return number;
}

VariantNumber VariantNumber::fromCurrency(CY value) {
    if (value.int64 % kCurrencyScale == 0) return fromSigned(value.int64 / kCurrencyScale);
    return fromReal(static_cast<double>(value.int64) / kCurrencyScale);
}

std::u16string VariantNumber::toText() const {
    switch (kind) {
        case Kind::Signed: return widened(std::to_string(signedValue));
        case Kind::Unsigned: return widened(std::to_string(unsignedValue));
        case Kind::Real: break;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.*G", singlePrecision ? kSingleDigits : kDoubleDigits,
                  realValue);
    return widened(text);
}

HRESULT parseNumberText(std::u16string_view text, VariantNumber* number) {
    std::string ascii;
    if (!asAscii(trimmed(text), &ascii) || ascii.empty()) return DISP_E_TYPEMISMATCH;
    if (ascii.size() > 2 && ascii[0] == '&') {
        const char radix = static_cast<char>(std::toupper(static_cast<unsigned char>(ascii[1])));
        if (radix == 'H') return parseRadix(ascii.substr(2), 16, number);
        if (radix == 'O') return parseRadix(ascii.substr(2), 8, number);
        return DISP_E_TYPEMISMATCH;
    }
    return parseDecimal(ascii, number);
}

bool parseBooleanText(std::u16string_view text, bool* value) {
    std::string ascii;
    if (!asAscii(trimmed(text), &ascii)) return false;
    if (equalIgnoringCase(ascii, "true") || equalIgnoringCase(ascii, "#true#")) {
        *value = true;
        return true;
    }
    if (equalIgnoringCase(ascii, "false") || equalIgnoringCase(ascii, "#false#")) {
        *value = false;
        return true;
    }
    return false;
}

}  // namespace pelmora
