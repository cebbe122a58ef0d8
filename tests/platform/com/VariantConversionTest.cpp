// VariantChangeType: every conversion a late-bound caller relies on, one row
// each, compared through a printed form of the result.
#include <pelmora/automation.h>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "platform/com/CountedUnknown.h"

namespace {

VARIANT value(VARTYPE vt) {
    VARIANT v{};
    v.vt = vt;
    return v;
}
VARIANT i4(LONG x) { VARIANT v = value(VT_I4); v.lVal = x; return v; }
VARIANT ui4(ULONG x) { VARIANT v = value(VT_UI4); v.ulVal = x; return v; }
VARIANT i8(LONGLONG x) { VARIANT v = value(VT_I8); v.llVal = x; return v; }
VARIANT ui8(ULONGLONG x) { VARIANT v = value(VT_UI8); v.ullVal = x; return v; }
VARIANT r4(float x) { VARIANT v = value(VT_R4); v.fltVal = x; return v; }
VARIANT r8(double x) { VARIANT v = value(VT_R8); v.dblVal = x; return v; }
VARIANT cy(LONGLONG scaled) { VARIANT v = value(VT_CY); v.cyVal.int64 = scaled; return v; }
VARIANT date(double days) { VARIANT v = value(VT_DATE); v.date = days; return v; }
VARIANT boolean(bool x) { VARIANT v = value(VT_BOOL); v.boolVal = x ? VARIANT_TRUE : VARIANT_FALSE; return v; }
VARIANT text(const char16_t* s) { VARIANT v = value(VT_BSTR); v.bstrVal = SysAllocString(s); return v; }
VARIANT reference(VARTYPE vt, void* target) { VARIANT v = value(vt | VT_BYREF); v.byref = target; return v; }

std::string printed(const VARIANT& v) {
    char out[96] = "?";
    switch (v.vt) {
        case VT_EMPTY: return "EMPTY";
        case VT_I1: std::snprintf(out, sizeof out, "I1 %d", int(static_cast<signed char>(v.cVal))); break;
        case VT_UI1: std::snprintf(out, sizeof out, "UI1 %u", unsigned(v.bVal)); break;
        case VT_I2: std::snprintf(out, sizeof out, "I2 %d", int(v.iVal)); break;
        case VT_UI2: std::snprintf(out, sizeof out, "UI2 %u", unsigned(v.uiVal)); break;
        case VT_I4: std::snprintf(out, sizeof out, "I4 %d", int(v.lVal)); break;
        case VT_UI4: std::snprintf(out, sizeof out, "UI4 %u", unsigned(v.ulVal)); break;
        case VT_INT: std::snprintf(out, sizeof out, "INT %d", v.intVal); break;
        case VT_I8: std::snprintf(out, sizeof out, "I8 %lld", static_cast<long long>(v.llVal)); break;
        case VT_UI8: std::snprintf(out, sizeof out, "UI8 %llu", static_cast<unsigned long long>(v.ullVal)); break;
        case VT_R4: std::snprintf(out, sizeof out, "R4 %.9g", double(v.fltVal)); break;
        case VT_R8: std::snprintf(out, sizeof out, "R8 %.17g", v.dblVal); break;
        case VT_CY: std::snprintf(out, sizeof out, "CY %lld", static_cast<long long>(v.cyVal.int64)); break;
        case VT_DATE: std::snprintf(out, sizeof out, "DATE %.17g", v.date); break;
        case VT_BOOL: std::snprintf(out, sizeof out, "BOOL %d", int(v.boolVal)); break;
        case VT_BSTR: {
            const std::u16string wide(v.bstrVal, SysStringLen(v.bstrVal));
            return "BSTR " + std::string(wide.begin(), wide.end());
        }
    }
    return out;
}

struct Row {
    VARIANT source;
    VARTYPE target;
    std::string expected;  // the printed result, or the status as "0x..."
    USHORT flags = 0;
};

std::string status(HRESULT hr) {
    char out[16];
    std::snprintf(out, sizeof out, "0x%08X", static_cast<unsigned>(hr));
    return out;
}

const std::string kMismatch = status(DISP_E_TYPEMISMATCH);
const std::string kOverflow = status(DISP_E_OVERFLOW);

TEST(VariantChangeType, ConvertsAsAutomationDoesAndRefusesWhatDoesNotFit) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    LONG referencedLong = 77;
    double referencedDouble = 2.5;
    BSTR referencedText = SysAllocString(u"7");
    VARIANT inner = r8(-3.5);
    SHORT referencedShort = -4;
    VARIANT innerReference = reference(VT_I2, &referencedShort);
    pelmora::test::CountedUnknown object;
    VARIANT dispatch = value(VT_DISPATCH);
    dispatch.pdispVal = nullptr;
    VARIANT unknown = value(VT_UNKNOWN);
    unknown.punkVal = &object;
    object.AddRef();  // the row's own reference, released with the row

    std::vector<Row> rows = {
        // Text to numbers: decimal, exponent, blanks, &H and &O patterns, half to even.
        {text(u"16711935"), VT_I4, "I4 16711935"},
        {text(u" -42\t"), VT_I2, "I2 -42"},
        {text(u"+1e3"), VT_I4, "I4 1000"},
        {text(u"2.5"), VT_I4, "I4 2"},
        {text(u"3.5"), VT_I4, "I4 4"},
        {text(u"-2.5"), VT_I4, "I4 -2"},
        {text(u".5"), VT_R8, "R8 0.5"},
        {text(u"&HFFFFFFFF"), VT_I4, "I4 -1"},
        {text(u"&hFF"), VT_UI1, "UI1 255"},
        {text(u"&O17"), VT_I4, "I4 15"},
        {text(u"0.1"), VT_R8, "R8 0.10000000000000001"},
        {text(u"1.5"), VT_R4, "R4 1.5"},
        {text(u"9223372036854775807"), VT_I8, "I8 9223372036854775807"},
        {text(u"18446744073709551615"), VT_UI8, "UI8 18446744073709551615"},
        {text(u"-1"), VT_UI4, kOverflow},
        {text(u"40000"), VT_I2, kOverflow},
        {text(u"1e999"), VT_R8, kOverflow},
        {text(u"seven"), VT_I4, kMismatch},
        {text(u""), VT_I4, kMismatch},
        {text(u"1.2.3"), VT_R8, kMismatch},
        {text(u"12abc"), VT_I4, kMismatch},
        {text(u"\u0661"), VT_I4, kMismatch},  // a digit, but not one automation reads
        // Text to booleans.
        {text(u"True"), VT_BOOL, "BOOL -1"},
        {text(u" #FALSE# "), VT_BOOL, "BOOL 0"},
        {text(u"0"), VT_BOOL, "BOOL 0"},
        {text(u"2"), VT_BOOL, "BOOL -1"},
        {text(u"maybe"), VT_BOOL, kMismatch},
        // Floating values to integers: rounded half to even, range checked, NaN refused.
        {r8(3e9), VT_I4, kOverflow},
        {r8(3e9), VT_UI4, "UI4 3000000000"},
        {r8(nan), VT_I4, kOverflow},
        {r8(nan), VT_UI8, kOverflow},
        {r8(-2147483648.5), VT_I4, "I4 -2147483648"},
        {r8(2147483647.5), VT_I4, kOverflow},
        {r8(9.3e18), VT_I8, kOverflow},
        {r8(1.8e19), VT_UI8, "UI8 18000000000000000000"},
        {r8(-0.5), VT_UI1, "UI1 0"},
        {r4(255.5f), VT_UI1, kOverflow},
        {r4(254.5f), VT_UI1, "UI1 254"},
        // Floating values between precisions.
        {r8(1e39), VT_R4, kOverflow},
        {r8(-INFINITY), VT_R4, kOverflow},
        {r8(nan), VT_R4, "R4 nan"},
        {r4(0.25f), VT_R8, "R8 0.25"},
        // Integers between widths and signedness.
        {i4(-1), VT_UI4, kOverflow},
        {ui4(4000000000u), VT_I4, kOverflow},
        {i4(300), VT_UI1, kOverflow},
        {i4(-128), VT_I1, "I1 -128"},
        {i4(7), VT_INT, "INT 7"},
        {i8(LLONG_MIN), VT_I4, kOverflow},
        {ui8(ULLONG_MAX), VT_I8, kOverflow},
        {ui8(ULLONG_MAX), VT_R8, "R8 1.8446744073709552e+19"},
        // Booleans, both ways.
        {boolean(true), VT_I4, "I4 -1"},
        {boolean(false), VT_R8, "R8 0"},
        {i4(5), VT_BOOL, "BOOL -1"},
        {r8(0.0), VT_BOOL, "BOOL 0"},
        {boolean(true), VT_BSTR, "BSTR -1"},
        {boolean(true), VT_BSTR, "BSTR True", VARIANT_ALPHABOOL},
        {boolean(false), VT_BSTR, "BSTR False", VARIANT_ALPHABOOL},
        // Numbers to text.
        {i4(-42), VT_BSTR, "BSTR -42"},
        {ui8(ULLONG_MAX), VT_BSTR, "BSTR 18446744073709551615"},
        {r8(2.5), VT_BSTR, "BSTR 2.5"},
        {r8(1.0 / 3.0), VT_BSTR, "BSTR 0.333333333333333"},
        {r8(1e20), VT_BSTR, "BSTR 1E+20"},
        {r4(0.1f), VT_BSTR, "BSTR 0.1"},
        {cy(15000), VT_BSTR, "BSTR 1.5"},
        // Currency and dates as numbers.
        {cy(12345), VT_R8, "R8 1.2344999999999999"},
        {cy(25000), VT_I4, "I4 2"},
        {r8(1.23456), VT_CY, "CY 12346"},
        {i4(7), VT_CY, "CY 70000"},
        {r8(1e300), VT_CY, kOverflow},
        {date(2.25), VT_R8, "R8 2.25"},
        {i4(3), VT_DATE, "DATE 3"},
        // Empty and null.
        {value(VT_EMPTY), VT_I4, "I4 0"},
        {value(VT_EMPTY), VT_BSTR, "BSTR "},
        {value(VT_NULL), VT_I4, kMismatch},
        {i4(1), VT_EMPTY, "EMPTY"},
        // References are read through, one variant deep.
        {reference(VT_I4, &referencedLong), VT_R8, "R8 77"},
        {reference(VT_R8, &referencedDouble), VT_I4, "I4 2"},
        {reference(VT_BSTR, &referencedText), VT_I4, "I4 7"},
        {reference(VT_VARIANT, &inner), VT_I4, "I4 -4"},
        {reference(VT_VARIANT, &innerReference), VT_R8, "R8 -4"},
        {reference(VT_I4, nullptr), VT_I4, status(E_POINTER)},
        {reference(VT_VARIANT, nullptr), VT_BSTR, status(E_POINTER)},
        // Objects and types that are not values.
        {dispatch, VT_I4, kMismatch},
        {unknown, VT_BSTR, kMismatch},
        {i4(1), VT_I4 | VT_BYREF, status(DISP_E_BADVARTYPE)},
        {i4(1), VT_DISPATCH, kMismatch},
    };
    for (Row& row : rows) {
        const std::string from = printed(row.source) + " to vt " + std::to_string(row.target);
        VARIANT result{};
        const HRESULT hr = VariantChangeType(&result, &row.source, row.flags, row.target);
        EXPECT_EQ(SUCCEEDED(hr) ? printed(result) : status(hr), row.expected) << from;
        if (FAILED(hr)) {
            EXPECT_EQ(result.vt, VT_EMPTY) << from << ": the destination is untouched";
        }
        VariantClear(&result);
        VariantClear(&row.source);
    }
    SysFreeString(referencedText);
    EXPECT_EQ(object.count, 1u) << "a refused object is neither kept nor released";
}

TEST(VariantChangeType, ConvertsInPlaceAndCopiesAStringOfTheSameType) {
    VARIANT v = text(u"5");
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);  // the old string is freed
    EXPECT_EQ(printed(v), "I4 5");

    VARIANT original = text(u"kept");
    VARIANT copy{};
    ASSERT_EQ(VariantChangeType(&copy, &original, 0, VT_BSTR), S_OK);
    EXPECT_NE(copy.bstrVal, original.bstrVal);
    EXPECT_EQ(printed(copy), "BSTR kept");
    VariantClear(&copy);

    // A failed conversion leaves what the destination held.
    VARIANT destination = text(u"before");
    EXPECT_EQ(VariantChangeType(&destination, &original, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(printed(destination), "BSTR before");
    VariantClear(&destination);
    VariantClear(&original);
    EXPECT_EQ(VariantChangeType(nullptr, &v, 0, VT_I4), E_INVALIDARG);
}

}  // namespace
