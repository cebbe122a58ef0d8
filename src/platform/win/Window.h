// The window layer the device presents into: offscreen windows (pixel buffers
// a host reads back) and attached X11 windows. Pixels are 0xAARRGGBB, rows
// top-down.
#pragma once

#include "platform/win/WindowTypes.h"
#include "platform/imaging/ImageView.h"

#include <cstdint>
#include <memory>

namespace pelmora::win {

bool windowExists(HWND window);

// The size of the window's client area; false for an unknown window.
bool getClientSize(HWND window, int* width, int* height);

// Puts an image into the window's client area at the destination rectangle,
// scaling when the sizes differ. strideInPixels is the distance between rows.
HRESULT presentPixels(HWND window, const RECT& destination, const uint32_t* pixels, int width,
                      int height, int strideInPixels);

// Windows wider or taller than this are refused.
inline constexpr int kMaxWindowDimension = 16384;

// What a present puts where: `visible` is the part of the destination
// rectangle inside the client area, in client coordinates; `scaledWidth` x
// `scaledHeight` is the size the image is scaled to, and `fromX`, `fromY`
// where the visible part starts inside the scaled image.
struct PresentPlacement {
    imaging::PixelRegion visible;
    int scaledWidth = 0;
    int scaledHeight = 0;
    int fromX = 0;
    int fromY = 0;

    // The visible part of the scaled image, for imaging::resampleRegion.
    imaging::PixelRegion scaledRegion() const {
        return {fromX, fromY, visible.width, visible.height};
    }
};

// False when nothing of the destination lies inside the client area.
bool placePresent(const RECT& destination, int clientWidth, int clientHeight,
                  PresentPlacement* placement);

// The object behind a window handle.
class Window {
public:
    virtual ~Window() = default;

    virtual bool clientSize(int* width, int* height) = 0;

    // Called with a valid image and a non-empty destination.
    virtual HRESULT present(const RECT& destination, const imaging::ImageView& image) = 0;

    // The client area as presents left it, opaque black where none reached;
    // valid until the next present. An X11 window's is its own copy, as
    // large as the window was at the last present (or when attached).
    virtual imaging::ImageView image() = 0;

protected:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
};

// Issues a handle for a window; 0 when the table is full.
HWND addWindow(std::shared_ptr<Window> window);

std::shared_ptr<Window> findWindow(HWND handle);

}  // namespace pelmora::win

namespace pelmora::win {

// The X server's screen size, on the library's own connection; false when
// there is no X server to ask.
bool getScreenSize(int* width, int* height);

}  // namespace pelmora::win
