// A window that is only a pixel buffer: presents land in it and the host
// reads it back. The buffer never moves, so the pointer handed to the host
// stays valid for the window's whole life.
#pragma once

#include "platform/win/ClientImage.h"
#include "platform/win/Window.h"

namespace pelmora::win {

class OffscreenWindow final : public Window {
public:
    OffscreenWindow(int width, int height);

    bool clientSize(int* width, int* height) override;
    HRESULT present(const RECT& destination, const imaging::ImageView& image) override;
    imaging::ImageView image() override;

private:
    ClientImage pixels_;
};

}  // namespace pelmora::win
