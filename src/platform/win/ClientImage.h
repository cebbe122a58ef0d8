// A window's client area as presents left it: what an offscreen window is,
// and the copy an X11 window keeps so that hosts read it back (and save it)
// the same way, whatever covers the window on the screen.
#pragma once

#include "platform/win/Window.h"

#include <vector>

namespace pelmora::win {

class ClientImage {
public:
    static constexpr uint32_t kInitialColor = 0xFF000000u;  // opaque black

    ClientImage(int width, int height);

    // Makes the area width x height; a new size starts opaque black.
    void resize(int width, int height);

    // Scales the image into the destination rectangle, clipped to the area.
    // False when nothing of the destination lies inside; *placement says
    // what was drawn where otherwise.
    bool present(const RECT& destination, const imaging::ImageView& image, PresentPlacement* placement);

    // Valid until the next resize.
    imaging::ImageView view() const;

private:
    int width_;
    int height_;
    std::vector<uint32_t> pixels_;
};

}  // namespace pelmora::win
