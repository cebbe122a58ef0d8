// The device layer's own status codes and their descriptions.
#pragma once

#include <pelmora/automation.h>

#include <string_view>

namespace pelmora {

inline constexpr HRESULT DXUTERR_NODIRECT3D = static_cast<HRESULT>(0x80040901);
inline constexpr HRESULT DXUTERR_NOCOMPATIBLEDEVICES = static_cast<HRESULT>(0x80040902);
inline constexpr HRESULT DXUTERR_MEDIANOTFOUND = static_cast<HRESULT>(0x80040903);
inline constexpr HRESULT DXUTERR_NONZEROREFCOUNT = static_cast<HRESULT>(0x80040904);
inline constexpr HRESULT DXUTERR_CREATINGDEVICE = static_cast<HRESULT>(0x80040905);
inline constexpr HRESULT DXUTERR_RESETTINGDEVICE = static_cast<HRESULT>(0x80040906);
inline constexpr HRESULT DXUTERR_CREATINGDEVICEOBJECTS = static_cast<HRESULT>(0x80040907);
inline constexpr HRESULT DXUTERR_RESETTINGDEVICEOBJECTS = static_cast<HRESULT>(0x80040908);
inline constexpr HRESULT DXUTERR_INCORRECTVERSION = static_cast<HRESULT>(0x80040909);

// Longest description, in wide characters.
inline constexpr size_t kDXUTErrorDescriptionMax = 512;

// The description of one of the codes above; empty for any other status.
std::u16string_view DXUTErrorDescription(HRESULT status);

}  // namespace pelmora
