// The class object of DXContext. The module caches one and keeps one
// reference to it; a caller's reference on top of that keeps the module
// loaded, as does each context the class object makes.
#pragma once

#include <pelmora/automation.h>

#include <atomic>

namespace pelmora {

class DXContextClassFactory final : public IClassFactory {
public:
    // Starts with the module's own reference.
    DXContextClassFactory() = default;

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // A plain context, or with an outer object an aggregated one (which can
    // only be asked for IUnknown).
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
    HRESULT LockServer(BOOL fLock) override;

private:
    // The reference count while only the module holds the class object.
    static constexpr ULONG kCachedOnly = 1;

    HRESULT createPlain(REFIID riid, void** ppvObject);
    HRESULT createAggregated(IUnknown* outer, void** ppvObject);

    std::atomic<ULONG> references_{kCachedOnly};
};

}  // namespace pelmora
