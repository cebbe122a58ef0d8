// Tagged values. Clearing frees what the value owns (a string, an interface
// reference, an array) unless it is held by reference, then leaves VT_EMPTY.
#include <pelmora/automation.h>

#include "platform/com/AutomationCopy.h"

namespace {

constexpr VARTYPE kTypeMask = 0x0FFF;
constexpr VARTYPE kModifierMask = VT_ARRAY | VT_BYREF;
// VT_DECIMAL is the last of the first run of base types; 15 is unassigned.
constexpr VARTYPE kLastLowType = VT_DECIMAL;

bool isValidVartype(VARTYPE vt) {
    const VARTYPE base = vt & kTypeMask;
    if ((vt & ~kTypeMask & ~kModifierMask) != 0) return false;
    return base <= kLastLowType || (base >= VT_I1 && base <= VT_UINT);
}

HRESULT releaseValue(VARIANT* value) {
    const VARTYPE vt = value->vt;
    if (vt & VT_BYREF) return S_OK;
    if (vt & VT_ARRAY) return SafeArrayDestroy(value->parray);
    switch (vt) {
        case VT_BSTR:
            SysFreeString(value->bstrVal);
            return S_OK;
        case VT_UNKNOWN:
        case VT_DISPATCH:
            if (value->punkVal != nullptr) value->punkVal->Release();
            return S_OK;
        default:
            return S_OK;
    }
}

}  // namespace

void VariantInit(VARIANTARG* pvarg) {
    if (pvarg != nullptr) pvarg->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
    if (pvarg == nullptr) return E_INVALIDARG;
    if (!isValidVartype(pvarg->vt)) return DISP_E_BADVARTYPE;
    const HRESULT hr = releaseValue(pvarg);
    pvarg->vt = VT_EMPTY;
    return hr;
}

namespace pelmora {

HRESULT copyVariant(VARIANT* dest, const VARIANT* source) {
    if (!isValidVartype(source->vt)) {
        dest->vt = VT_EMPTY;
        return DISP_E_BADVARTYPE;
    }
    *dest = *source;
    HRESULT hr = S_OK;
    if (source->vt & VT_BYREF) return S_OK;
    if (source->vt & VT_ARRAY) {
        hr = copySafeArray(source->parray, &dest->parray);
    } else if (source->vt == VT_BSTR) {
        dest->bstrVal = copyBstr(source->bstrVal);
        if (source->bstrVal != nullptr && dest->bstrVal == nullptr) hr = E_OUTOFMEMORY;
    } else if ((source->vt == VT_UNKNOWN || source->vt == VT_DISPATCH) && source->punkVal) {
        source->punkVal->AddRef();
    }
    if (FAILED(hr)) dest->vt = VT_EMPTY;
    return hr;
}

}  // namespace pelmora
