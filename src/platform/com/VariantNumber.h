// A value on its way from one variant type to another: an exact integer when
// the source held one, else a double. Text is read into one and written from
// one the way automation does it in the invariant locale.
#pragma once

#include <pelmora/automation.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmora {

struct VariantNumber {
    enum class Kind { Signed, Unsigned, Real };
    Kind kind = Kind::Signed;
    int64_t signedValue = 0;
    uint64_t unsignedValue = 0;
    double realValue = 0.0;
    bool singlePrecision = false;  // a VT_R4 source, written with 7 digits rather than 15

    static VariantNumber fromSigned(int64_t value);
    static VariantNumber fromUnsigned(uint64_t value);
    static VariantNumber fromReal(double value, bool singlePrecision = false);
    static VariantNumber fromCurrency(CY value);

    // The number as text: integers in decimal, reals with 15 significant
    // digits (7 for single precision) in the shortest of the fixed and
    // exponent forms.
    std::u16string toText() const;
};

// Reads a number: blanks around it, then a decimal number (sign, digits, an
// optional point and fraction, an optional exponent) or &H hexadecimal / &O
// octal digits, whose 32-bit (or failing that 64-bit) pattern is the value,
// so &HFFFFFFFF is -1. Integers without point or exponent stay exact.
// DISP_E_TYPEMISMATCH for anything else, DISP_E_OVERFLOW for a number no
// double or 64-bit pattern holds.
HRESULT parseNumberText(std::u16string_view text, VariantNumber* number);

// "True" or "False" (any case, blanks around), or the same between # signs.
bool parseBooleanText(std::u16string_view text, bool* value);

}  // namespace pelmora
