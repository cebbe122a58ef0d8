// Building and reading the double vectors that carry frame transforms.
#pragma once

#include <pelmora/automation.h>

#include <memory>
#include <vector>

namespace pelmora::test {

struct SafeArrayDeleter {
    void operator()(SAFEARRAY* array) const { SafeArrayDestroy(array); }
};
using SafeArrayPtr = std::unique_ptr<SAFEARRAY, SafeArrayDeleter>;

// A one-dimensional VT_R8 array holding the values, from the given lower bound.
SafeArrayPtr makeDoubleArray(const std::vector<double>& values, LONG lowerBound = 0);

// The values of a one-dimensional VT_R8 array; the array is destroyed.
std::vector<double> takeDoubleArray(SAFEARRAY* array);

// The transform of a pure translation, in the 12-value layout.
std::vector<double> translationValues(double x, double y, double z);

}  // namespace pelmora::test
