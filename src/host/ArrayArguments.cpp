#include "host/ArrayArguments.h"

#include "core/Diagnostics.h"
#include "platform/com/SafeArrayElementCount.h"

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
        ArrayView view;
        const HRESULT hr = countSafeArrayElements(psa, &view.count);
        if (FAILED(hr)) return PELMORA_TRACE_FAILED(hr);
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
