// One GDI bitmap handle, deleted when its owner goes.
#pragma once

#include "platform/win/Gdi.h"

#include <utility>

namespace pelmora {

class OwnedBitmap {
public:
    OwnedBitmap() = default;
    explicit OwnedBitmap(win::HBITMAP bitmap) : bitmap_(bitmap) {}
    ~OwnedBitmap() { reset(); }
    OwnedBitmap(const OwnedBitmap&) = delete;
    OwnedBitmap& operator=(const OwnedBitmap&) = delete;
    OwnedBitmap(OwnedBitmap&& other) noexcept : bitmap_(std::exchange(other.bitmap_, 0)) {}
    OwnedBitmap& operator=(OwnedBitmap&& other) noexcept {
        if (this != &other) reset(std::exchange(other.bitmap_, 0));
        return *this;
    }

    win::HBITMAP get() const { return bitmap_; }
    explicit operator bool() const { return bitmap_ != 0; }
    win::HBITMAP release() { return std::exchange(bitmap_, 0); }
    void reset(win::HBITMAP bitmap = 0) {
        const win::HBITMAP old = std::exchange(bitmap_, bitmap);
        if (old) win::deleteObject(old);
    }

private:
    win::HBITMAP bitmap_ = 0;
};

}  // namespace pelmora
