// VariantChangeType: one place where every automation value becomes another
// type. The source is read through its references into a borrowed value,
// turned into a VariantNumber (or text, or a boolean) and stored as the type
// asked for, refusing what does not fit instead of wrapping or truncating.
#include <pelmora/automation.h>

#include "platform/com/AutomationCopy.h"
#include "platform/com/VariantNumber.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

namespace pelmora {
namespace {

struct IntegerRange {
    VARTYPE vt;
    int64_t lowest;
    uint64_t highest;
};

constexpr IntegerRange kIntegerRanges[] = {
    {VT_I1, INT8_MIN, INT8_MAX},    {VT_UI1, 0, UINT8_MAX},   {VT_I2, INT16_MIN, INT16_MAX},
    {VT_UI2, 0, UINT16_MAX},        {VT_I4, INT32_MIN, INT32_MAX}, {VT_INT, INT32_MIN, INT32_MAX},
    {VT_UI4, 0, UINT32_MAX},        {VT_UINT, 0, UINT32_MAX}, {VT_I8, INT64_MIN, INT64_MAX},
    {VT_UI8, 0, UINT64_MAX},
};

const IntegerRange* integerRange(VARTYPE vt) {
    for (const IntegerRange& range : kIntegerRanges)
        if (range.vt == vt) return &range;
    return nullptr;
}

constexpr int64_t kCurrencyScale = 10000;

// Automation rounds to even on a tie; computed by hand so the host's
// floating-point rounding mode cannot change it.
double roundHalfEven(double value) {
    const double below = std::floor(value);
    const double rest = value - below;
    if (rest > 0.5) return below + 1.0;
    if (rest < 0.5) return below;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

// The value behind VT_BYREF (and behind one VT_BYREF VT_VARIANT), as a
// by-value VARIANT that borrows any string.
HRESULT readThrough(const VARIANT& source, VARIANT* value) {
    const VARIANT* current = &source;
    if (current->vt == (VT_BYREF | VT_VARIANT)) {
        if (current->pvarVal == nullptr) return E_POINTER;
        current = current->pvarVal;
        if (current->vt == (VT_BYREF | VT_VARIANT)) return DISP_E_TYPEMISMATCH;
    }
    *value = *current;
    if (!(current->vt & VT_BYREF)) return S_OK;
    if (current->byref == nullptr) return E_POINTER;
    value->vt = current->vt & ~VT_BYREF;
    switch (value->vt) {
        case VT_I1: value->cVal = *current->pcVal; return S_OK;
        case VT_UI1: value->bVal = *current->pbVal; return S_OK;
        case VT_I2: value->iVal = *current->piVal; return S_OK;
        case VT_UI2: value->uiVal = *current->puiVal; return S_OK;
        case VT_I4: value->lVal = *current->plVal; return S_OK;
        case VT_UI4: value->ulVal = *current->pulVal; return S_OK;
        case VT_INT: value->intVal = *current->pintVal; return S_OK;
        case VT_UINT: value->uintVal = *current->puintVal; return S_OK;
        case VT_I8: value->llVal = *current->pllVal; return S_OK;
        case VT_UI8: value->ullVal = *current->pullVal; return S_OK;
        case VT_R4: value->fltVal = *current->pfltVal; return S_OK;
        case VT_R8: value->dblVal = *current->pdblVal; return S_OK;
        case VT_DATE: value->date = *current->pdate; return S_OK;
        case VT_CY: value->cyVal = *current->pcyVal; return S_OK;
        case VT_BOOL: value->boolVal = *current->pboolVal; return S_OK;
        case VT_BSTR: value->bstrVal = *current->pbstrVal; return S_OK;
        case VT_ERROR: value->scode = *current->pscode; return S_OK;
        default: return DISP_E_TYPEMISMATCH;
    }
}

std::u16string_view textOf(BSTR text) {
    return text ? std::u16string_view(text, SysStringLen(text)) : std::u16string_view();
}

HRESULT numberOf(const VARIANT& value, VariantNumber* number) {
    switch (value.vt) {
        case VT_EMPTY: *number = VariantNumber::fromSigned(0); return S_OK;
        case VT_I1: *number = VariantNumber::fromSigned(static_cast<signed char>(value.cVal)); return S_OK;
        case VT_UI1: *number = VariantNumber::fromUnsigned(value.bVal); return S_OK;
        case VT_I2: *number = VariantNumber::fromSigned(value.iVal); return S_OK;
        case VT_UI2: *number = VariantNumber::fromUnsigned(value.uiVal); return S_OK;
        case VT_I4: *number = VariantNumber::fromSigned(value.lVal); return S_OK;
        case VT_INT: *number = VariantNumber::fromSigned(value.intVal); return S_OK;
        case VT_UI4: *number = VariantNumber::fromUnsigned(value.ulVal); return S_OK;
        case VT_UINT: *number = VariantNumber::fromUnsigned(value.uintVal); return S_OK;
        case VT_I8: *number = VariantNumber::fromSigned(value.llVal); return S_OK;
        case VT_UI8: *number = VariantNumber::fromUnsigned(value.ullVal); return S_OK;
        case VT_R4: *number = VariantNumber::fromReal(value.fltVal, true); return S_OK;
        case VT_R8: *number = VariantNumber::fromReal(value.dblVal); return S_OK;
        case VT_DATE: *number = VariantNumber::fromReal(value.date); return S_OK;
        case VT_CY: *number = VariantNumber::fromCurrency(value.cyVal); return S_OK;
        case VT_BOOL: *number = VariantNumber::fromSigned(value.boolVal); return S_OK;
        case VT_BSTR: return parseNumberText(textOf(value.bstrVal), number);
        default: return DISP_E_TYPEMISMATCH;
    }
}

bool withinRange(const VariantNumber& number, const IntegerRange& range, int64_t* low,
                 uint64_t* high) {
    switch (number.kind) {
        case VariantNumber::Kind::Signed: {
            const int64_t value = number.signedValue;
            if (value < range.lowest || (value > 0 && uint64_t(value) > range.highest)) return false;
            *low = value;
            *high = static_cast<uint64_t>(value);
            return true;
        }
        case VariantNumber::Kind::Unsigned:
            if (number.unsignedValue > range.highest) return false;
            *low = static_cast<int64_t>(number.unsignedValue);
            *high = number.unsignedValue;
            return true;
        case VariantNumber::Kind::Real: {
            if (std::isnan(number.realValue)) return false;
            const double rounded = roundHalfEven(number.realValue);
            // highest + 1 as a double is exact for every range: 2^8 .. 2^64.
            if (rounded < double(range.lowest) || rounded >= double(range.highest) + 1.0) return false;
            if (rounded < 0) {
                *low = static_cast<int64_t>(rounded);
                *high = static_cast<uint64_t>(*low);
            } else {
                *high = static_cast<uint64_t>(rounded);
                *low = static_cast<int64_t>(*high);
            }
            return true;
        }
    }
    return false;
}

HRESULT storeInteger(const VariantNumber& number, const IntegerRange& range, VARIANT* out) {
    int64_t low = 0;
    uint64_t high = 0;
    if (!withinRange(number, range, &low, &high)) return DISP_E_OVERFLOW;
    out->vt = range.vt;
    switch (range.vt) {
        case VT_I1: out->cVal = static_cast<CHAR>(low); break;
        case VT_UI1: out->bVal = static_cast<BYTE>(high); break;
        case VT_I2: out->iVal = static_cast<SHORT>(low); break;
        case VT_UI2: out->uiVal = static_cast<USHORT>(high); break;
        case VT_I4: out->lVal = static_cast<LONG>(low); break;
        case VT_INT: out->intVal = static_cast<INT>(low); break;
        case VT_UI4: out->ulVal = static_cast<ULONG>(high); break;
        case VT_UINT: out->uintVal = static_cast<UINT>(high); break;
        case VT_I8: out->llVal = low; break;
        default: out->ullVal = high; break;
    }
    return S_OK;
}

double realOf(const VariantNumber& number) {
    switch (number.kind) {
        case VariantNumber::Kind::Signed: return static_cast<double>(number.signedValue);
        case VariantNumber::Kind::Unsigned: return static_cast<double>(number.unsignedValue);
        case VariantNumber::Kind::Real: break;
    }
    return number.realValue;
}

HRESULT storeSingle(const VariantNumber& number, VARIANT* out) {
    const double value = realOf(number);
    if (std::fabs(value) > FLT_MAX) return DISP_E_OVERFLOW;  // NaN compares false and passes
    out->vt = VT_R4;
    out->fltVal = static_cast<float>(value);
    return S_OK;
}

HRESULT storeCurrency(const VariantNumber& number, VARIANT* out) {
    constexpr IntegerRange kScaled{VT_I8, INT64_MIN, INT64_MAX};
    VariantNumber scaled = VariantNumber::fromReal(realOf(number) * kCurrencyScale);
    // Exact integers stay exact where the scaled amount fits.
    constexpr int64_t kLargestWhole = INT64_MAX / kCurrencyScale;
    if (number.kind == VariantNumber::Kind::Signed && number.signedValue >= -kLargestWhole &&
        number.signedValue <= kLargestWhole)
        scaled = VariantNumber::fromSigned(number.signedValue * kCurrencyScale);
    int64_t low = 0;
    uint64_t high = 0;
    if (!withinRange(scaled, kScaled, &low, &high)) return DISP_E_OVERFLOW;
    out->vt = VT_CY;
    out->cyVal.int64 = low;
    return S_OK;
}

HRESULT storeNumber(const VARIANT& value, VARTYPE vt, VARIANT* out) {
    VariantNumber number;
    const HRESULT hr = numberOf(value, &number);
    if (FAILED(hr)) return hr;
    if (const IntegerRange* range = integerRange(vt)) return storeInteger(number, *range, out);
    switch (vt) {
        case VT_R4: return storeSingle(number, out);
        case VT_R8: out->dblVal = realOf(number); break;
        case VT_DATE: out->date = realOf(number); break;
        case VT_CY: return storeCurrency(number, out);
        default: return DISP_E_TYPEMISMATCH;
    }
    out->vt = vt;
    return S_OK;
}

HRESULT storeBoolean(const VARIANT& value, VARIANT* out) {
    bool truth = false;
    if (value.vt != VT_BSTR || !parseBooleanText(textOf(value.bstrVal), &truth)) {
        VariantNumber number;
        const HRESULT hr = numberOf(value, &number);
        if (FAILED(hr)) return hr;
        truth = number.kind == VariantNumber::Kind::Real ? number.realValue != 0.0
                                                         : (number.signedValue | number.unsignedValue) != 0;
    }
    out->vt = VT_BOOL;
    out->boolVal = truth ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT storeString(const VARIANT& value, USHORT flags, VARIANT* out) {
    std::u16string text;
    if (value.vt == VT_BOOL && (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL))) {
        text = value.boolVal != 0 ? u"True" : u"False";
    } else if (value.vt != VT_EMPTY) {
        VariantNumber number;
        const HRESULT hr = numberOf(value, &number);
        if (FAILED(hr)) return hr;
        text = number.toText();
    }
    out->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (out->bstrVal == nullptr) return E_OUTOFMEMORY;
    out->vt = VT_BSTR;
    return S_OK;
}

HRESULT convert(const VARIANT& value, USHORT flags, VARTYPE vt, VARIANT* out) {
    if (vt & VT_BYREF) return DISP_E_BADVARTYPE;
    if (value.vt == vt) return copyVariant(out, &value);
    switch (vt) {
        case VT_EMPTY: out->vt = VT_EMPTY; return S_OK;
        case VT_BSTR: return storeString(value, flags, out);
        case VT_BOOL: return storeBoolean(value, out);
        default: return storeNumber(value, vt, out);
    }
}

}  // namespace
}  // namespace pelmora

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags,
                          VARTYPE vt) {
    if (pvargDest == nullptr || pvarSrc == nullptr) return E_INVALIDARG;
    VARIANT value{};
    HRESULT hr = pelmora::readThrough(*pvarSrc, &value);
    if (FAILED(hr)) return hr;
    VARIANT converted{};
    hr = pelmora::convert(value, wFlags, vt, &converted);
    if (FAILED(hr)) return hr;
    VariantClear(pvargDest);
    *pvargDest = converted;
    return S_OK;
}
