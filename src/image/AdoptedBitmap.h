// A private copy of a bitmap the host handed over. The host's handle is
// deleted once copied, so the engine never depends on the host keeping it.
#pragma once

#include "platform/win/Gdi.h"

namespace pelmora {

class AdoptedBitmap {
public:
    // Copies hostBitmap and deletes it; 0 adopts nothing. A handle that is
    // not a bitmap is logged and leaves no copy.
    explicit AdoptedBitmap(win::HBITMAP hostBitmap);
    // Deletes the copy.
    ~AdoptedBitmap();

    AdoptedBitmap(const AdoptedBitmap&) = delete;
    AdoptedBitmap& operator=(const AdoptedBitmap&) = delete;

    win::HBITMAP handle() const { return copy_; }
    // The copy's size; false when there is no copy.
    bool size(UINT* width, UINT* height) const;

private:
    win::HBITMAP copy_ = 0;
};

// A new bitmap with the size and pixels of source, made through two memory
// contexts; 0 (logged) when source is not a bitmap or cannot be selected.
win::HBITMAP copyBitmap(win::HBITMAP source);

// The width and height of a bitmap; false for anything else.
bool bitmapSize(win::HBITMAP bitmap, UINT* width, UINT* height);

}  // namespace pelmora
