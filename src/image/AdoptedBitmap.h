// A private copy of a bitmap the host handed over. The host's handle is
// deleted once copied, so the engine never depends on the host keeping it.
#pragma once

#include "image/OwnedBitmap.h"

namespace pelmora {

class AdoptedBitmap {
public:
    // Copies hostBitmap and deletes it; 0 adopts nothing. A handle that is
    // not a bitmap is logged and leaves no copy.
    explicit AdoptedBitmap(win::HBITMAP hostBitmap);

    // The copy, deleted with this object; 0 when there is none.
    win::HBITMAP handle() const { return copy_.get(); }
    // The copy's size; false when there is no copy.
    bool size(UINT* width, UINT* height) const;

private:
    OwnedBitmap copy_;
};

// A new bitmap with the size and pixels of source, made through two memory
// contexts; 0 (logged) when source is not a bitmap or cannot be selected.
win::HBITMAP copyBitmap(win::HBITMAP source);

// The width and height of a bitmap; false for anything else.
bool bitmapSize(win::HBITMAP bitmap, UINT* width, UINT* height);

}  // namespace pelmora
