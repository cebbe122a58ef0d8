// Device creation: a windowed device on the default adapter whose back buffer
// is as large as the desktop, chosen from the enumeration and traced.
#pragma once

#include "device/DXUTDeviceSettings.h"
#include "platform/d3d9/d3d9.h"

namespace pelmora {

class DXUT {
public:
    // Not owned; must outlive the object.
    explicit DXUT(IDirect3D9* d3d) : d3d_(d3d) {}

    // Enumerates, chooses the best valid setting and creates the device for
    // the window. The back buffer is the desktop's size, grown to at least
    // minWidth x minHeight so that the viewport asking for the device fits in
    // it. On success *device holds a new reference and, when given,
    // *presentParameters the parameters used. Failures are traced and their
    // status returned; *device is then null.
    HRESULT createDevice(HWND window, UINT minWidth, UINT minHeight, IDirect3DDevice9** device,
                         D3DPRESENT_PARAMETERS* presentParameters);

    // The name a device type is traced with.
    static const char* deviceTypeName(D3DDEVTYPE type);

private:
    static DXUTDeviceSettings request(HWND window);
    static void traceFailedCreation(const DXUTDeviceSettings& settings);
    // The most samples up to what the "Antialiasing" setting asks (4 on
    // hardware without it, none on the software rasterizer) that the
    // adapter offers for the settings' back buffer and depth formats.
    D3DMULTISAMPLE_TYPE multiSampleFor(const DXUTDeviceSettings& settings) const;

    IDirect3D9* d3d_;
};

}  // namespace pelmora
