// A memory device context with one bitmap selected into it. The previous
// selection is put back and the context deleted when it goes, which leaves
// the bitmap free to be deleted or selected elsewhere.
#pragma once

#include "platform/win/Gdi.h"

namespace pelmora {

class SelectedBitmap {
public:
    explicit SelectedBitmap(win::HBITMAP bitmap);
    ~SelectedBitmap();

    SelectedBitmap(const SelectedBitmap&) = delete;
    SelectedBitmap& operator=(const SelectedBitmap&) = delete;

    // False when the context could not be made or the bitmap not selected.
    bool ok() const { return previous_ != 0; }
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    win::HGDIOBJ previous_ = 0;
};

}  // namespace pelmora
