// IUnknown and GetDevice for every interface a device hands out, on top of
// DeviceChild's counting.
#pragma once

#include "platform/d3d9/gl/DeviceChild.h"
#include "platform/d3d9/gl/GLDevice.h"

namespace pelmora::d3d9gl {

template <class Interface>
class DeviceResource : public Interface, public DeviceChild {
public:
    using DeviceChild::DeviceChild;

    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return addPublicReference(); }
    ULONG Release() override { return releasePublicReference(); }

    HRESULT GetDevice(IDirect3DDevice9** result) override {
        if (!result) return D3DERR_INVALIDCALL;
        *result = device();
        device()->AddRef();
        return D3D_OK;
    }
};

}  // namespace pelmora::d3d9gl
