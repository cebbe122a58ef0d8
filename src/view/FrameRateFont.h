// The text object a profiled viewport writes its frame-rate line with. The
// extension library's font supplies it by installing a factory; until one is
// installed no font is made and the frame-rate line is not drawn.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <memory>

namespace pelmora {

class FrameRateFont {
public:
    virtual ~FrameRateFont() = default;
    // Writes one line of text into the area; format 0 puts it at the top left.
    virtual HRESULT drawText(const char* text, const RECT& area, DWORD format,
                             D3DCOLOR color) = 0;
    // The device is about to go: drop whatever was made on it.
    virtual void onLostDevice() = 0;
};

using FrameRateFontFactory = std::unique_ptr<FrameRateFont> (*)(IDirect3DDevice9* device);

// Installs the maker of frame-rate fonts (null removes it); returns the previous one.
FrameRateFontFactory setFrameRateFontFactory(FrameRateFontFactory factory);

// A font for the device, or null when no factory is installed or it made none.
std::unique_ptr<FrameRateFont> createFrameRateFont(IDirect3DDevice9* device);

}  // namespace pelmora
