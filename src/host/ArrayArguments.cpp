#include "host/ArrayArguments.h"

#include "core/Diagnostics.h"

namespace pelmora {

ArrayArguments::~ArrayArguments() { release(); }

void ArrayArguments::release() {
    while (!accessed_.empty()) {
        SafeArrayUnaccessData(accessed_.back());
        accessed_.pop_back();
    }
}

HRESULT ArrayArguments::read(std::initializer_list<SAFEARRAY**> arrays) {
    views_.clear();
    for (SAFEARRAY** array : arrays) {
        SAFEARRAY* psa = array ? *array : nullptr;
        LONG upper = 0;
        LONG lower = 0;
        HRESULT hr = SafeArrayGetUBound(psa, 1, &upper);
        if (FAILED(hr)) return PELMORA_TRACE_FAILED(hr);
        hr = SafeArrayGetLBound(psa, 1, &lower);
        if (FAILED(hr)) return PELMORA_TRACE_FAILED(hr);
        ArrayView view;
        view.count = upper - lower + 1;
        view.elementSize = SafeArrayGetElemsize(psa);
        views_.push_back(view);
    }
    size_t index = 0;
    for (SAFEARRAY** array : arrays) {
        HRESULT hr = SafeArrayAccessData(*array, &views_[index++].data);
        if (FAILED(hr)) {
            release();
            return PELMORA_TRACE_FAILED(hr);
        }
        accessed_.push_back(*array);
    }
    return S_OK;
}

}  // namespace pelmora
