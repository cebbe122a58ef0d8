// Reference counting shared by the library's objects: one count, starting at
// one for the creator, the object deleting itself when it reaches zero.
#pragma once

#include "platform/d3dx/d3dx9core.h"

#include <atomic>

namespace pelmora::d3dx {

template <class Derived, class Interface>
class D3DXUnknown : public Interface {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!(riid == IID_IUnknown)) return E_NOINTERFACE;
        this->AddRef();
        *object = static_cast<IUnknown*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }

protected:
    D3DXUnknown() = default;
    ~D3DXUnknown() = default;

private:
    std::atomic<ULONG> references_{1};
};

}  // namespace pelmora::d3dx
