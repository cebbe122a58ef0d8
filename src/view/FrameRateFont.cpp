#include "view/FrameRateFont.h"

#include "core/Diagnostics.h"
#include "platform/com/ComPtr.h"
#include "platform/d3dx/d3dx9font.h"

#include <utility>

namespace pelmora {

namespace {

// The frame-rate line's height in pixels: small enough to leave the picture alone.
constexpr INT kFontHeight = 9;

// The extension library's bitmap font behind the frame-rate line.
class ExtensionLibraryFont final : public FrameRateFont {
public:
    explicit ExtensionLibraryFont(ID3DXFont* font) : font_(font) {}

    HRESULT drawText(const char* text, const RECT& area, DWORD format, D3DCOLOR color) override {
        RECT rectangle = area;
        return font_->DrawTextA(nullptr, text, -1, &rectangle, format, color) > 0 ? S_OK : E_FAIL;
    }
    void onLostDevice() override { font_->OnLostDevice(); }

private:
    ComPtr<ID3DXFont> font_;
};

std::unique_ptr<FrameRateFont> makeExtensionLibraryFont(IDirect3DDevice9* device) {
    ID3DXFont* font = nullptr;
    HRESULT hr = D3DXCreateFontA(device, kFontHeight, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET, 0,
                                 0, 0, "Pelmora", &font);
    if (FAILED(hr)) {
        PELMORA_TRACE_FAILED(hr);
        return nullptr;
    }
    return std::make_unique<ExtensionLibraryFont>(font);
}

FrameRateFontFactory gFrameRateFontFactory = makeExtensionLibraryFont;

}  // namespace

FrameRateFontFactory setFrameRateFontFactory(FrameRateFontFactory factory) {
    return std::exchange(gFrameRateFontFactory, factory ? factory : makeExtensionLibraryFont);
}

std::unique_ptr<FrameRateFont> createFrameRateFont(IDirect3DDevice9* device) {
    if (device == nullptr) return nullptr;
    return gFrameRateFontFactory(device);
}

}  // namespace pelmora
