#include "platform/com/SafeArrayElementCount.h"

#include "core/Diagnostics.h"

#include <cstdint>
#include <limits>

namespace pelmora {

namespace {

constexpr int64_t kLargestCount = std::numeric_limits<LONG>::max();

}  // namespace

HRESULT countSafeArrayElements(SAFEARRAY* psa, LONG* count) {
    const UINT dimensions = SafeArrayGetDim(psa);
    int64_t total = 1;
    // Asked for dimension 1 even when the array reports none, so a null or
    // dimensionless array fails with the bound query's own status.
    for (UINT dimension = 1; dimension == 1 || dimension <= dimensions; ++dimension) {
        LONG upper = 0;
        LONG lower = 0;
        HRESULT hr = SafeArrayGetUBound(psa, dimension, &upper);
        if (SUCCEEDED(hr)) hr = SafeArrayGetLBound(psa, dimension, &lower);
        if (FAILED(hr)) return hr;
        const int64_t extent = int64_t{upper} - int64_t{lower} + 1;
        if (extent < 0 || extent > kLargestCount) {
            logFormat("Pelmora: array dimension %u has bounds %d..%d; no element count fits\n",
                      dimension, static_cast<int>(lower), static_cast<int>(upper));
            return E_INVALIDARG;
        }
        total *= extent;
        if (total > kLargestCount) {
            logFormat("Pelmora: an array of %u dimensions holds more elements than a count can say\n",
                      dimensions);
            return E_INVALIDARG;
        }
    }
    *count = static_cast<LONG>(total);
    return S_OK;
}

}  // namespace pelmora
