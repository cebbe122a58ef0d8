#include "platform/win/Window.h"
#include "platform/win/X11WindowConnection.h"

namespace pelmora::win {

bool getScreenSize(int* width, int* height) {
    X11WindowConnection* connection = X11WindowConnection::get();
    if (connection == nullptr) return false;
    std::lock_guard<std::mutex> lock(connection->mutex());
    Display* display = connection->display();
    const int screen = DefaultScreen(display);
    *width = DisplayWidth(display, screen);
    *height = DisplayHeight(display, screen);
    return *width > 0 && *height > 0;
}

}  // namespace pelmora::win
