#include "platform/d3d9/gl/DesktopMode.h"

#include "core/Diagnostics.h"
#include "platform/win/Window.h"

#include <pelmora/host.h>

#include <cstdio>
#include <cstdlib>

namespace pelmora::d3d9gl {
namespace {

constexpr UINT kVirtualWidth = 1920;
constexpr UINT kVirtualHeight = 1080;
constexpr UINT kRefreshRate = 60;
constexpr UINT kLargestSide = 16384;
constexpr char kSettingsKey[] = "Software\\Torvel, Inc.\\Torvel Design\\Pelmora";
constexpr char kDesktopSizeValue[] = "Desktop Size";

D3DDISPLAYMODE makeMode(UINT width, UINT height) {
    return {width, height, kRefreshRate, D3DFMT_X8R8G8B8};
}

// A size kept in the registry for machines whose desktop should not follow
// the X server (or that have none), such as build servers.
std::optional<std::string> registryDesktopSize() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    char value[64] = {};
    DWORD size = sizeof value - 1;
    const LSTATUS status = RegQueryValueExA(key, kDesktopSizeValue, nullptr, nullptr,
                                            reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return std::nullopt;
    return std::string(value);
}

std::optional<D3DDISPLAYMODE> overriddenMode(const char* source, const std::string& text) {
    if (auto mode = parseDesktopSize(text)) return mode;
    logFormat("Direct3D9: ignoring the desktop size \"%s\" from %s (expected WIDTHxHEIGHT)\n",
              text.c_str(), source);
    return std::nullopt;
}

}  // namespace

std::optional<D3DDISPLAYMODE> parseDesktopSize(const std::string& text) {
    unsigned width = 0, height = 0;
    char trailing = 0;
    if (std::sscanf(text.c_str(), "%ux%u%c", &width, &height, &trailing) != 2) return std::nullopt;
    if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide)
        return std::nullopt;
    return makeMode(width, height);
}

D3DDISPLAYMODE desktopMode() {
    if (const char* size = std::getenv("PELMORA_DESKTOP_SIZE")) {
        if (auto mode = overriddenMode("PELMORA_DESKTOP_SIZE", size)) return *mode;
    }
    if (auto size = registryDesktopSize()) {
        if (auto mode = overriddenMode("the registry", *size)) return *mode;
    }
    const char* display = std::getenv("DISPLAY");
    int width = 0, height = 0;
    if (display && *display && win::getScreenSize(&width, &height))
        return makeMode(static_cast<UINT>(width), static_cast<UINT>(height));
    return makeMode(kVirtualWidth, kVirtualHeight);
}

}  // namespace pelmora::d3d9gl
