// Building and reading the double vectors that carry frame transforms.
#pragma once

#include <pelmora/automation.h>

#include <cstring>
#include <memory>
#include <vector>

namespace pelmora::test {

struct SafeArrayDeleter {
    void operator()(SAFEARRAY* array) const { SafeArrayDestroy(array); }
};
using SafeArrayPtr = std::unique_ptr<SAFEARRAY, SafeArrayDeleter>;

// A one-dimensional VT_R8 array holding the values, from the given lower bound.
SafeArrayPtr makeDoubleArray(const std::vector<double>& values, LONG lowerBound = 0);

// The values of a one-dimensional array of T; the array is destroyed.
template <class T>
std::vector<T> takeVector(SAFEARRAY* array) {
    SafeArrayPtr owned(array);
    std::vector<T> values;
    LONG lower = 0;
    LONG upper = -1;
    void* data = nullptr;
    if (!owned || FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(array, 1, &upper)) || FAILED(SafeArrayAccessData(array, &data)))
        return values;
    values.resize(static_cast<size_t>(upper - lower + 1));
    if (!values.empty()) std::memcpy(values.data(), data, values.size() * sizeof(T));
    SafeArrayUnaccessData(array);
    return values;
}

// The values of a one-dimensional VT_R8 array; the array is destroyed.
inline std::vector<double> takeDoubleArray(SAFEARRAY* array) { return takeVector<double>(array); }

// The transform of a pure translation, in the 12-value layout.
std::vector<double> translationValues(double x, double y, double z);

}  // namespace pelmora::test
