#include "support/TransformArrays.h"

#include <cstring>

namespace pelmora::test {

SafeArrayPtr makeDoubleArray(const std::vector<double>& values, LONG lowerBound) {
    SafeArrayPtr array(SafeArrayCreateVector(VT_R8, lowerBound, static_cast<ULONG>(values.size())));
    void* data = nullptr;
    if (array && SUCCEEDED(SafeArrayAccessData(array.get(), &data))) {
        if (!values.empty()) std::memcpy(data, values.data(), values.size() * sizeof(double));
        SafeArrayUnaccessData(array.get());
    }
    return array;
}

std::vector<double> translationValues(double x, double y, double z) {
    return {1, 0, 0, 0, 1, 0, 0, 0, 1, x, y, z};
}

}  // namespace pelmora::test
