#include "HostileVariants.h"

#include "CallFrame.h"

#include <cmath>
#include <cstring>
#include <string>

namespace pelmora::fuzz {

int saturatedInt(double number) {
    if (std::isnan(number)) return 0;
    if (number <= -2147483648.0) return INT32_MIN;
    if (number >= 2147483647.0) return INT32_MAX;
    return static_cast<int>(number);
}

namespace {

BSTR numericText(CallFrame& frame, double number) {
    static const char16_t* const kTexts[] = {
        u"16711935", u" 12 ", u"1e3", u"abc", u"", u"0x10", u"-2147483649", u"4294967296",
        u"NaN", u"-0", u"3.5", u"1,5", u"\u0661\u0662", u"99999999999999999999"};
    if (frame.input.rare(128)) {
        std::u16string text;
        for (char c : std::to_string(saturatedInt(number))) text.push_back(static_cast<char16_t>(c));
        return SysAllocString(text.c_str());
    }
    const size_t index = frame.input.below(std::size(kTexts) + 1);
    return index == std::size(kTexts) ? nullptr : SysAllocString(kTexts[index]);
}

void byReferenceTo(CallFrame& frame, VARIANT& v, double number) {
    const int value = saturatedInt(number);
    switch (frame.input.below(6)) {
        case 0: v.vt = VT_BYREF | VT_I4; v.plVal = frame.keep<LONG>(value); break;
        case 1: v.vt = VT_BYREF | VT_R8; v.pdblVal = frame.keep<double>(number); break;
        case 2: v.vt = VT_BYREF | VT_I2; v.piVal = frame.keep<SHORT>(static_cast<SHORT>(value)); break;
        case 3: v.vt = VT_BYREF | VT_BOOL; v.pboolVal = frame.keep<VARIANT_BOOL>(VARIANT_TRUE); break;
        case 4: v.vt = VT_BYREF | VT_UI1; v.byref = frame.keep<BYTE>(static_cast<BYTE>(value)); break;
        default: {
            BSTR text = numericText(frame, number);
            frame.atEnd([text] { SysFreeString(text); });
            v.vt = VT_BYREF | VT_BSTR;
            v.pbstrVal = frame.keep<BSTR>(text);
        }
    }
}

void nullReference(CallFrame& frame, VARIANT& v) {
    static constexpr VARTYPE kTypes[] = {VT_I4, VT_R8, VT_R4, VT_BOOL, VT_I2, VT_BSTR,
                                         VT_VARIANT, VT_UI1, VT_ARRAY | VT_R4, VT_UI4};
    v.vt = VT_BYREF | kTypes[frame.input.below(std::size(kTypes))];
    v.byref = nullptr;
}

void nestedVariant(CallFrame& frame, VARIANT& v, double number) {
    VARIANT inner;
    VariantInit(&inner);
    if (frame.input.rare(128)) {
        inner.vt = VT_R8;
        inner.dblVal = number;
    } else {
        inner.vt = VT_I4;
        inner.lVal = saturatedInt(number);
    }
    // A script's variable: an out-parameter may leave a value in it, which
    // is the caller's to clear.
    VARIANT* variable = frame.keep<VARIANT>(inner);
    frame.atEnd([variable] { VariantClear(variable); });
    v.vt = VT_BYREF | VT_VARIANT;
    v.pvarVal = variable;
}

void otherNumericType(CallFrame& frame, VARIANT& v, double number) {
    static constexpr VARTYPE kTypes[] = {VT_I8, VT_UI8, VT_CY,  VT_DATE, VT_ERROR, VT_I1,
                                         VT_UI1, VT_UI2, VT_INT, VT_UINT, VT_DECIMAL};
    v.vt = kTypes[frame.input.below(std::size(kTypes))];
    v.llVal = frame.input.rare(128) ? static_cast<LONGLONG>(frame.input.u64()) : saturatedInt(number);
}

void interfaceOrArray(CallFrame& frame, VARIANT& v) {
    switch (frame.input.below(4)) {
        case 0: v.vt = VT_DISPATCH; v.pdispVal = nullptr; break;
        case 1: v.vt = VT_UNKNOWN; v.punkVal = nullptr; break;
        case 2: {
            // The context itself: a live object that must not be released by the callee.
            v.vt = VT_DISPATCH;
            v.pdispVal = frame.session.context();
            break;
        }
        default: {
            SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, 2);
            frame.atEnd([array] { SafeArrayDestroy(array); });
            v.vt = VT_ARRAY | VT_I4;
            v.parray = array;
        }
    }
}

void unknownType(CallFrame& frame, VARIANT& v) {
    static constexpr VARTYPE kTypes[] = {0x48, 0x7FFF, 0x0FFF, 36, VT_ARRAY, 15, 0x1000 | VT_I4};
    v.vt = kTypes[frame.input.below(std::size(kTypes))];
    v.llVal = 0;
}

}  // namespace

void hostileVariant(CallFrame& frame, VARIANT& v, double number) {
    VariantInit(&v);
    FuzzInput& input = frame.input;
    switch (input.below(14)) {
        case 0: v.vt = VT_EMPTY; break;
        case 1: v.vt = VT_NULL; break;
        case 2: v.vt = VT_I2; v.iVal = static_cast<SHORT>(saturatedInt(number)); break;
        case 3: v.vt = VT_R8; v.dblVal = input.rare(128) ? hostileDouble(input) : number; break;
        case 4: v.vt = VT_R4; v.fltVal = hostileFloat(input); break;
        case 5: v.vt = VT_BOOL; v.boolVal = hostileBool(input); break;
        case 6: {
            BSTR text = numericText(frame, number);
            frame.atEnd([text] { SysFreeString(text); });
            v.vt = VT_BSTR;
            v.bstrVal = text;
            break;
        }
        case 7: v.vt = input.rare(128) ? VT_UI4 : VT_UINT; v.uintVal = input.rare(128) ? 0xFFFFFFFFu : input.u32(); break;
        case 8: byReferenceTo(frame, v, number); break;
        case 9: nullReference(frame, v); break;
        case 10: nestedVariant(frame, v, number); break;
        case 11: otherNumericType(frame, v, number); break;
        case 12: interfaceOrArray(frame, v); break;
        default: unknownType(frame, v); break;
    }
}

}  // namespace pelmora::fuzz
