// A window that is only a pixel buffer: presents land in it and the host
// reads it back. The buffer never moves, so the pointer handed to the host
// stays valid for the window's whole life.
#pragma once

#include "platform/win/Window.h"

#include <vector>

namespace pelmora::win {

class OffscreenWindow final : public Window {
public:
    static constexpr uint32_t kInitialColor = 0xFF000000u;  // opaque black

    OffscreenWindow(int width, int height);

    bool clientSize(int* width, int* height) override;
    HRESULT present(const RECT& destination, const imaging::ImageView& image) override;

    imaging::ImageView image() const;

private:
    int width_;
    int height_;
    std::vector<uint32_t> pixels_;
};

}  // namespace pelmora::win
