#include "platform/d3d9/gl/DesktopMode.h"

#include "host/Diagnostics.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace pelmora::d3d9gl {
namespace {

constexpr UINT kVirtualWidth = 1920;
constexpr UINT kVirtualHeight = 1080;
constexpr UINT kRefreshRate = 60;
constexpr UINT kLargestSide = 16384;

D3DDISPLAYMODE makeMode(UINT width, UINT height) {
    return {width, height, kRefreshRate, D3DFMT_X8R8G8B8};
}

// The screen size of the X server, asked through the client library loaded
// at run time, so a headless process never needs an X library at all.
std::optional<D3DDISPLAYMODE> xServerMode(const char* displayName) {
    void* library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
    if (!library) return std::nullopt;
    using OpenDisplay = void* (*)(const char*);
    using CloseDisplay = int (*)(void*);
    using DefaultScreen = int (*)(void*);
    using DisplaySize = int (*)(void*, int);
    auto open = reinterpret_cast<OpenDisplay>(dlsym(library, "XOpenDisplay"));
    auto close = reinterpret_cast<CloseDisplay>(dlsym(library, "XCloseDisplay"));
    auto screen = reinterpret_cast<DefaultScreen>(dlsym(library, "XDefaultScreen"));
    auto width = reinterpret_cast<DisplaySize>(dlsym(library, "XDisplayWidth"));
    auto height = reinterpret_cast<DisplaySize>(dlsym(library, "XDisplayHeight"));
    std::optional<D3DDISPLAYMODE> mode;
    if (open && close && screen && width && height) {
        if (void* display = open(displayName)) {
            const int number = screen(display);
            mode = makeMode(static_cast<UINT>(width(display, number)),
                            static_cast<UINT>(height(display, number)));
            close(display);
        }
    }
    dlclose(library);
    return mode;
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
        if (auto mode = parseDesktopSize(size)) return *mode;
        logFormat("Direct3D9: ignoring PELMORA_DESKTOP_SIZE \"%s\" (expected WIDTHxHEIGHT)\n", size);
    }
    const char* display = std::getenv("DISPLAY");
    if (display && *display) {
        if (auto mode = xServerMode(display)) return *mode;
    }
    return makeMode(kVirtualWidth, kVirtualHeight);
}

}  // namespace pelmora::d3d9gl
