// The text object a profiled viewport writes its frame-rate line with: the
// extension library's bitmap font, unless a test installs another maker.
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

// Installs the maker of frame-rate fonts (null restores the extension
// library's); returns the previous one.
FrameRateFontFactory setFrameRateFontFactory(FrameRateFontFactory factory);

// A font for the device, or null when none could be made.
std::unique_ptr<FrameRateFont> createFrameRateFont(IDirect3DDevice9* device);

}  // namespace pelmora
