// The adapters' desktop display mode. PELMORA_DESKTOP_SIZE ("640x480") wins;
// else the "Desktop Size" value under the Pelmora registry key; else the X
// server's screen size when $DISPLAY names a reachable server; else a virtual
// 1920x1080 desktop. Always 60 Hz, D3DFMT_X8R8G8B8.
#pragma once

#include "platform/d3d9/d3d9types.h"

#include <optional>
#include <string>

namespace pelmora::d3d9gl {

D3DDISPLAYMODE desktopMode();

// "640x480" to a mode; nothing for text that is not two positive sizes.
std::optional<D3DDISPLAYMODE> parseDesktopSize(const std::string& text);

}  // namespace pelmora::d3d9gl
