#include "VariantConversion.h"

#include "ArrayConversion.h"

#include <pelmora/helpers.h>

#include <climits>
#include <cstdint>
#include <string>

namespace py = pybind11;

namespace pelmora::python {

namespace {

// Integers go as VT_I4 where they fit, else as VT_I8, which Invoke reports
// as an overflow. Colours are written 0xAARRGGBB, above the largest int: an
// int parameter takes 2^31..2^32-1 as that bit pattern.
void putInteger(long long value, const Parameter& parameter, VARIANT* out) {
    if (parameter.kind == 'i' && value > INT32_MAX && value <= UINT32_MAX)
        value = static_cast<int32_t>(static_cast<uint32_t>(value));
    if (value >= INT32_MIN && value <= INT32_MAX) {
        out->vt = VT_I4;
        out->lVal = static_cast<LONG>(value);
    } else {
        out->vt = VT_I8;
        out->llVal = value;
    }
}

void putText(const std::string& text, VARIANT* out) {
    const std::u16string wide = detail::utf16FromUtf8(text);
    out->vt = VT_BSTR;
    out->bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

void putScalar(py::handle value, const Parameter& parameter, VARIANT* out) {
    if (value.is_none()) return;  // VT_EMPTY: Invoke reads it as 0, false or ""
    if (PyBool_Check(value.ptr())) {
        out->vt = VT_BOOL;
        out->boolVal = value.ptr() == Py_True ? VARIANT_TRUE : VARIANT_FALSE;
    } else if (PyFloat_Check(value.ptr())) {
        out->vt = VT_R8;
        out->dblVal = PyFloat_AS_DOUBLE(value.ptr());
    } else if (PyIndex_Check(value.ptr())) {
        // numpy's integers too; one beyond 64 bits goes on as an overflow.
        const auto integer = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
        if (!integer) throw py::error_already_set();
        int overflow = 0;
        const long long number = PyLong_AsLongLongAndOverflow(integer.ptr(), &overflow);
        putInteger(overflow ? LLONG_MAX : number, parameter, out);
    } else if (PyUnicode_Check(value.ptr())) {
        putText(value.cast<std::string>(), out);
    } else if (py::hasattr(value, "__fspath__")) {  // a pathlib.Path for a file name
        putText(value.attr("__fspath__")().cast<std::string>(), out);
    } else if (PyNumber_Check(value.ptr())) {
        out->vt = VT_R8;
        out->dblVal = py::float_(py::reinterpret_borrow<py::object>(value));
    } else {
        throw py::type_error(parameter.name + ": cannot pass a " +
                             std::string(py::str(value.get_type().attr("__name__"))));
    }
}

}  // namespace

void variantFromObject(py::handle value, const Parameter& parameter, VARIANT* out) {
    if (parameter.kind != 'a') return putScalar(value, parameter, out);
    // None is the null array, which the operations answer with E_POINTER.
    out->vt = VT_ARRAY | (parameter.element == 'F' ? VT_R4 : parameter.element == 'N' ? VT_I4 : VT_R8);
    out->parray = value.is_none() ? nullptr : safeArrayFrom(value, parameter.element);
}

py::object objectFromVariant(VARIANT* value) {
    py::object result;
    switch (value->vt) {
        case VT_I4: result = py::int_(value->lVal); break;
        case VT_R8: result = py::float_(value->dblVal); break;
        case VT_R4: result = py::float_(value->fltVal); break;
        case VT_BOOL: result = py::bool_(value->boolVal != VARIANT_FALSE); break;
        case VT_BSTR: result = py::str(narrow(value->bstrVal)); break;
        default:
            if (value->vt & VT_ARRAY) {
                SAFEARRAY* array = value->parray;
                value->vt = VT_EMPTY;
                return objectFromSafeArray(array);
            }
            result = py::none();
    }
    VariantClear(value);
    return result;
}

}  // namespace pelmora::python
