// A context made inside an aggregating object: this is the controlling
// IUnknown the outer object holds. It owns the context and decides its
// lifetime; the context's own interfaces forward IUnknown calls to the outer
// object.
#pragma once

#include <pelmora/automation.h>

#include <atomic>
#include <memory>

namespace pelmora {

class DXContext;

class AggregatedContext final : public IUnknown {
public:
    // Starts with no reference: the creator queries it for IUnknown.
    explicit AggregatedContext(IUnknown* outer);
    ~AggregatedContext();

    // IUnknown, not delegating: IUnknown gives this object, IDispatch and
    // IDXContext give the context (counted on the outer object).
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;

private:
    std::atomic<ULONG> references_{0};
    bool doomed_ = false;  // its last reference went; destroyed now or when safe
    std::unique_ptr<DXContext> context_;
};

}  // namespace pelmora
