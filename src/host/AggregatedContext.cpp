#include "host/AggregatedContext.h"

#include "host/DXContext.h"
#include "core/DeferredDestruction.h"

#include <utility>

namespace pelmora {

AggregatedContext::AggregatedContext(IUnknown* outer) : context_(std::make_unique<DXContext>()) {
    context_->aggregateInto(outer);
}

AggregatedContext::~AggregatedContext() = default;

HRESULT AggregatedContext::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown) {
        *ppvObject = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    if (riid == IID_IDispatch || riid == IID_IDXContext) {
        *ppvObject = static_cast<IDXContext*>(context_.get());
        context_->AddRef();  // reaches the outer object
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG AggregatedContext::AddRef() { return ++references_; }

ULONG AggregatedContext::Release() {
    if (references_.load() == 0) return 0;
    const ULONG remaining = --references_;
    // The context may be the one a facet factory was called from.
    if (remaining == 0 && !std::exchange(doomed_, true))
        DeferredDestruction::destroyWhenSafe([this] { delete this; });
    return remaining;
}

}  // namespace pelmora
