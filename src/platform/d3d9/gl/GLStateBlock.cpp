#include "platform/d3d9/gl/GLStateBlock.h"

#include "platform/d3d9/gl/GLDevice.h"
#include "platform/d3d9/gl/StateNames.h"

namespace pelmora::d3d9gl {

GLStateBlock::GLStateBlock(GLDevice* device) : DeviceChild(device, Owner::Host) { Capture(); }

GLStateBlock::~GLStateBlock() { unbindStateResources(captured_); }

HRESULT GLStateBlock::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown) {
        *object = static_cast<IDirect3DStateBlock9*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT GLStateBlock::GetDevice(IDirect3DDevice9** result) {
    if (!result) return device()->invalidCall("GetDevice: no place for the device");
    *result = device();
    device()->AddRef();
    return D3D_OK;
}

HRESULT GLStateBlock::Capture() {
    const DeviceState& current = device()->tracker().state();
    bindStateResources(current);
    unbindStateResources(captured_);
    captured_ = current;
    return D3D_OK;
}

HRESULT GLStateBlock::Apply() {
    device()->tracker().apply(captured_, device()->targetWidth(), device()->targetHeight());
    return D3D_OK;
}

}  // namespace pelmora::d3d9gl
