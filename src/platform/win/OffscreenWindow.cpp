#include "platform/win/OffscreenWindow.h"

namespace pelmora::win {

OffscreenWindow::OffscreenWindow(int width, int height) : pixels_(width, height) {}

bool OffscreenWindow::clientSize(int* width, int* height) {
    const imaging::ImageView view = pixels_.view();
    *width = view.width;
    *height = view.height;
    return true;
}

HRESULT OffscreenWindow::present(const RECT& destination, const imaging::ImageView& image) {
    PresentPlacement placement;
    pixels_.present(destination, image, &placement);
    return S_OK;
}

imaging::ImageView OffscreenWindow::image() { return pixels_.view(); }

}  // namespace pelmora::win
