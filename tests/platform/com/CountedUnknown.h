// An IUnknown that counts its references, so tests can see who holds one.
#pragma once

#include <pelmora/automation.h>

#include <functional>

namespace pelmora::test {

class CountedUnknown : public IUnknown {
public:
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) return E_POINTER;
        *ppvObject = nullptr;
        if (riid != IID_IUnknown) return E_NOINTERFACE;
        *ppvObject = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override {
        if (onAddRef) onAddRef();
        return ++count;
    }
    ULONG Release() override { return --count; }

    ULONG count = 1;
    // Called on every AddRef, before the count changes.
    std::function<void()> onAddRef;
};

}  // namespace pelmora::test
