#include "platform/win/X11WindowConnection.h"

#include "core/Diagnostics.h"

#include <X11/extensions/XShm.h>

#include <cstdlib>

namespace pelmora::win {

namespace {

// The trap's state. Only touched between beginTrap and endTrap, which run
// under the connection's lock; errors from other connections go on to the
// handler that was installed before.
Display* trappedDisplay = nullptr;
int trappedError = 0;
XErrorHandler previousHandler = nullptr;

}  // namespace

X11WindowConnection* X11WindowConnection::get() {
    static std::mutex openLock;
    static X11WindowConnection* connection = nullptr;  // never closed
    std::lock_guard<std::mutex> lock(openLock);
    if (connection) return connection;
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        logFormat("Pelmora X11: no display to open ($DISPLAY is not set)\n");
        return nullptr;
    }
    Display* display = XOpenDisplay(name);
    if (!display) {
        logFormat("Pelmora X11: cannot open display '%s'\n", name);
        return nullptr;
    }
    connection = new X11WindowConnection(display);
    return connection;
}

X11WindowConnection::X11WindowConnection(Display* display)
    : display_(display), sharedMemory_(XShmQueryExtension(display) == True) {}

void X11WindowConnection::beginTrap() {
    trappedDisplay = display_;
    trappedError = 0;
    previousHandler = XSetErrorHandler(onError);
}

bool X11WindowConnection::endTrap(int* errorCode) {
    XSync(display_, False);
    XSetErrorHandler(previousHandler);
    trappedDisplay = nullptr;
    if (errorCode) *errorCode = trappedError;
    return trappedError == 0;
}

int X11WindowConnection::onError(Display* display, XErrorEvent* event) {
    if (display == trappedDisplay) {
        if (trappedError == 0) trappedError = event->error_code;
        return 0;
    }
    return previousHandler ? previousHandler(display, event) : 0;
}

}  // namespace pelmora::win
