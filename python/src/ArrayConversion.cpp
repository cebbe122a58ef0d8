#include "ArrayConversion.h"

#include <pelmora/helpers.h>

#include <cstring>

namespace py = pybind11;

namespace pelmora::python {

namespace {

template <class T>
SAFEARRAY* vectorOf(py::handle values, VARTYPE type) {
    auto array = py::array_t<T, py::array::c_style | py::array::forcecast>::ensure(values);
    if (!array) throw py::type_error("expected an array of numbers");
    SAFEARRAY* out = SafeArrayCreateVector(type, 0, static_cast<ULONG>(array.size()));
    if (!out) throw std::bad_alloc();
    if (array.size() > 0) std::memcpy(out->pvData, array.data(), size_t(array.size()) * sizeof(T));
    return out;
}

LONG elementCount(SAFEARRAY* array) {
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    return upper - lower + 1;
}

py::list stringsFrom(SAFEARRAY* array) {
    py::list names;
    const auto* strings = static_cast<BSTR*>(array->pvData);
    for (LONG i = 0; i < elementCount(array); ++i) names.append(py::str(narrow(strings[i])));
    SafeArrayDestroy(array);
    return names;
}

template <class T>
py::array numbersFrom(SAFEARRAY* array) {
    // The capsule owns the array: numpy frees it with the last view of it.
    py::capsule owner(array, [](void* p) { SafeArrayDestroy(static_cast<SAFEARRAY*>(p)); });
    return py::array_t<T>({py::ssize_t(elementCount(array))}, static_cast<T*>(array->pvData), owner);
}

}  // namespace

SAFEARRAY* safeArrayFrom(py::handle values, char element) {
    switch (element) {
        case 'F': return vectorOf<float>(values, VT_R4);
        case 'N': return vectorOf<int32_t>(values, VT_I4);
        default: return vectorOf<double>(values, VT_R8);
    }
}

py::object objectFromSafeArray(SAFEARRAY* array) {
    if (!array) return py::none();
    VARTYPE type = VT_EMPTY;
    SafeArrayGetVartype(array, &type);
    switch (type) {
        case VT_BSTR: return stringsFrom(array);
        case VT_R4: return numbersFrom<float>(array);
        case VT_R8: return numbersFrom<double>(array);
        case VT_I4: return numbersFrom<int32_t>(array);
        default:
            SafeArrayDestroy(array);
            throw py::type_error("the engine handed out an array of an unknown element type");
    }
}

}  // namespace pelmora::python
