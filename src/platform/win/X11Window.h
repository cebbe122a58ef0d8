// Attached X11 windows. Xlib stays inside the X11 window sources; this header
// is what the rest of the window layer sees.
#pragma once

#include "platform/win/Window.h"

#include <memory>

namespace pelmora::win {

// A window that presents into the X window xid on the library's own display
// connection; null (with a log line) when there is no display or xid names
// no window there.
std::shared_ptr<Window> attachX11Window(unsigned long xid);

// Lets tests take the plain XPutImage path on a server that offers shared
// memory. Applies to presents from then on.
void setX11SharedMemoryAllowed(bool allowed);

// Whether presents go through shared memory now: the server offers it, it
// worked when first tried, and it is allowed.
bool x11SharedMemoryInUse();

}  // namespace pelmora::win
