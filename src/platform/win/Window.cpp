// The window table and the host's window calls.
#include "platform/win/Window.h"

#include <pelmora/host.h>

#include "core/Diagnostics.h"
#include "platform/imaging/ImageFile.h"
#include "platform/win/HandleSlots.h"
#include "platform/win/OffscreenWindow.h"
#include "platform/win/X11Window.h"

#include <algorithm>
#include <new>

namespace pelmora::win {

namespace {

// Destination rectangles beyond this extent are refused rather than scaled.
constexpr int64_t kMaxPresentExtent = int64_t(1) << 24;

HandleSlots<Window>& windows() {
    // Never destroyed: a window released during static destruction still finds its table.
    static auto* table = new HandleSlots<Window>(HandleTag::Window);
    return *table;
}

HRESULT reject(HRESULT status, const char* function, const char* what, int handle) {
    logFormat("%s: %s (window %d)\n", function, what, handle);
    return status;
}

bool validSize(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxWindowDimension && height <= kMaxWindowDimension;
}

HRESULT checkPresent(HWND window, const RECT& destination, const imaging::ImageView& image) {
    const char* function = "presentPixels";
    if (!image.pixels) return reject(E_POINTER, function, "null pixels", window);
    if (!image.valid()) return reject(E_INVALIDARG, function, "bad image size or stride", window);
    const int64_t width = int64_t(destination.right) - destination.left;
    const int64_t height = int64_t(destination.bottom) - destination.top;
    if (width < 0 || height < 0 || width > kMaxPresentExtent || height > kMaxPresentExtent)
        return reject(E_INVALIDARG, function, "bad destination rectangle", window);
    return S_OK;
}

}  // namespace

HWND addWindow(std::shared_ptr<Window> window) { return windows().add(std::move(window)); }

std::shared_ptr<Window> findWindow(HWND handle) { return windows().find(handle); }

bool windowExists(HWND window) { return findWindow(window) != nullptr; }

bool getClientSize(HWND window, int* width, int* height) {
    std::shared_ptr<Window> found = findWindow(window);
    return found && width && height && found->clientSize(width, height);
}

bool placePresent(const RECT& destination, int clientWidth, int clientHeight,
                  PresentPlacement* placement) {
    const int64_t left = std::max<int64_t>(destination.left, 0);
    const int64_t top = std::max<int64_t>(destination.top, 0);
    const int64_t right = std::min<int64_t>(destination.right, clientWidth);
    const int64_t bottom = std::min<int64_t>(destination.bottom, clientHeight);
    if (right <= left || bottom <= top) return false;
    placement->visible = {int(left), int(top), int(right - left), int(bottom - top)};
    placement->scaledWidth = int(int64_t(destination.right) - destination.left);
    placement->scaledHeight = int(int64_t(destination.bottom) - destination.top);
    placement->fromX = int(left - destination.left);
    placement->fromY = int(top - destination.top);
    return true;
}

HRESULT presentPixels(HWND window, const RECT& destination, const uint32_t* pixels, int width,
                      int height, int strideInPixels) {
    std::shared_ptr<Window> found = findWindow(window);
    if (!found) return reject(E_HANDLE, "presentPixels", "unknown window", window);
    const imaging::ImageView image{pixels, width, height, strideInPixels};
    HRESULT status = checkPresent(window, destination, image);
    if (FAILED(status)) return status;
    if (destination.right == destination.left || destination.bottom == destination.top)
        return S_OK;  // nothing to show
    try {
        return found->present(destination, image);
    } catch (const std::bad_alloc&) {
        return reject(E_OUTOFMEMORY, "presentPixels", "out of memory", window);
    }
}

}  // namespace pelmora::win

using namespace pelmora::win;

PELMORA_API int PelmoraCreateOffscreenWindow(int width, int height) {
    if (!validSize(width, height)) {
        pelmora::logFormat("PelmoraCreateOffscreenWindow: bad size %d x %d\n", width, height);
        return 0;
    }
    try {
        return addWindow(std::make_shared<OffscreenWindow>(width, height));
    } catch (const std::bad_alloc&) {
        pelmora::logFormat("PelmoraCreateOffscreenWindow: out of memory for %d x %d\n", width,
                           height);
        return 0;
    }
}

PELMORA_API HRESULT PelmoraGetWindowImage(int hWnd, int* width, int* height,
                                          const uint32_t** pixels) {
    const char* function = "PelmoraGetWindowImage";
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window) return reject(E_HANDLE, function, "unknown window", hWnd);
    if (!width || !height || !pixels) return reject(E_POINTER, function, "null out pointer", hWnd);
    const pelmora::imaging::ImageView image = window->image();
    *width = image.width;
    *height = image.height;
    *pixels = image.pixels;
    return S_OK;
}

PELMORA_API HRESULT PelmoraSaveWindowPng(int hWnd, const char* fileName) {
    const char* function = "PelmoraSaveWindowPng";
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window) return reject(E_HANDLE, function, "unknown window", hWnd);
    if (!fileName) return reject(E_POINTER, function, "null file name", hWnd);
    // The back buffer has no alpha of its own: what arrives in the window
    // carries whatever the clear left there, so the file is written opaque.
    pelmora::imaging::WriteOptions options;
    options.keepAlpha = false;
    return pelmora::imaging::writeImage(fileName, pelmora::imaging::ImageFormat::Png,
                                        window->image(), options);
}

PELMORA_API HRESULT PelmoraGetClientRect(int hWnd, int* width, int* height) {
    const char* function = "PelmoraGetClientRect";
    std::shared_ptr<Window> window = findWindow(hWnd);
    if (!window) return reject(E_HANDLE, function, "unknown window", hWnd);
    if (!width || !height) return reject(E_POINTER, function, "null out pointer", hWnd);
    if (!window->clientSize(width, height))
        return reject(E_HANDLE, function, "the window is gone", hWnd);
    return S_OK;
}

PELMORA_API HRESULT PelmoraDestroyWindow(int hWnd) {
    if (!windows().remove(hWnd))
        return reject(E_HANDLE, "PelmoraDestroyWindow", "unknown window", hWnd);
    return S_OK;
}

PELMORA_API int PelmoraAttachX11Window(unsigned long xid) {
    try {
        std::shared_ptr<Window> window = attachX11Window(xid);
        return window ? addWindow(std::move(window)) : 0;
    } catch (const std::bad_alloc&) {
        pelmora::logFormat("PelmoraAttachX11Window: out of memory\n");
        return 0;
    }
}
