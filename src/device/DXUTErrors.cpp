#include "device/DXUTErrors.h"

namespace pelmora {

namespace {

struct ErrorText {
    HRESULT status;
    const char16_t* text;
};

constexpr ErrorText kErrorTexts[] = {
    {DXUTERR_NODIRECT3D,
     u"Could not initialize Direct3D. You may want to check that the latest version of DirectX "
     u"is correctly installed on your system.  Also make sure that this program was compiled "
     u"with header files that match the installed DirectX DLLs."},
    {DXUTERR_NOCOMPATIBLEDEVICES, u"Could not find any compatible Direct3D devices."},
    {DXUTERR_MEDIANOTFOUND,
     u"Could not find required media. Ensure that the DirectX SDK is correctly installed."},
    {DXUTERR_NONZEROREFCOUNT,
     u"The D3D device has a non-zero reference count, meaning some objects were not released."},
    {DXUTERR_CREATINGDEVICE, u"Failed creating the Direct3D device."},
    {DXUTERR_RESETTINGDEVICE, u"Failed resetting the Direct3D device."},
    {DXUTERR_CREATINGDEVICEOBJECTS, u"Failed creating Direct3D device objects."},
    {DXUTERR_RESETTINGDEVICEOBJECTS, u"Failed resetting Direct3D device objects."},
    {DXUTERR_INCORRECTVERSION, u"Incorrect version of Direct3D and/or D3DX."},
};

}  // namespace

std::u16string_view DXUTErrorDescription(HRESULT status) {
    for (const ErrorText& entry : kErrorTexts)
        if (entry.status == status) {
            std::u16string_view text(entry.text);
            return text.substr(0, kDXUTErrorDescriptionMax);
        }
    return {};
}

}  // namespace pelmora
