// The font object behind D3DXCreateFont: each lit run of a glyph row becomes
// one screen-space rectangle, so text needs no texture and stays crisp at
// whole-number scales.
#include "core/Diagnostics.h"
#include "platform/com/ComPtr.h"
#include "platform/d3dx/D3DXFontGlyphs.h"
#include "platform/d3dx/D3DXLineGeometry.h"
#include "platform/d3dx/D3DXStateSaver.h"
#include "platform/d3dx/D3DXTextLayout.h"
#include "platform/d3dx/D3DXUnknown.h"
#include "platform/d3dx/d3dx9font.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace pelmora::d3dx {
namespace {

// Glyph rows widened by bold and slanted by italic fit in this many columns.
constexpr int kStyledColumns = kCellWidth + 3;
// Italic moves the top row this many glyph columns right, the bottom row none.
constexpr int kItalicRowsPerColumn = 3;
// Triangles per draw call, well inside what any device accepts.
constexpr size_t kTrianglesPerDraw = 4096;

struct Style {
    float cellWidth;   // pixels
    float cellHeight;  // pixels
    bool bold;
    bool italic;
};

struct PixelRect {
    float left, top, right, bottom;
};

// The columns of glyph row r that are lit, as bits, bit c = column c.
uint32_t styledRow(const uint8_t* rows, int r, const Style& style) {
    uint32_t bits = 0;
    for (int c = 0; c < kGlyphColumns; ++c)
        if (rows[r] & (1u << (kGlyphColumns - 1 - c))) bits |= 1u << c;
    if (style.bold) bits |= bits << 1;
    if (style.italic) bits <<= (kGlyphRows - 1 - r) / kItalicRowsPerColumn;
    return bits;
}

class QuadList {
public:
    QuadList(D3DCOLOR colour, const PixelRect* clip) : colour_(colour), clip_(clip) {}

    void add(PixelRect r) {
        if (clip_) {
            r.left = std::max(r.left, clip_->left);
            r.top = std::max(r.top, clip_->top);
            r.right = std::min(r.right, clip_->right);
            r.bottom = std::min(r.bottom, clip_->bottom);
        }
        if (r.right <= r.left || r.bottom <= r.top) return;
        // Pixel centres sit on whole numbers: a rectangle from 10 to 12
        // lights pixels 10 and 11 when its edges are half a pixel back.
        const float l = r.left - 0.5f, t = r.top - 0.5f, rt = r.right - 0.5f, b = r.bottom - 0.5f;
        const ScreenVertex corners[6] = {{l, t, 0, 1, colour_},  {rt, t, 0, 1, colour_},
                                         {l, b, 0, 1, colour_},  {l, b, 0, 1, colour_},
                                         {rt, t, 0, 1, colour_}, {rt, b, 0, 1, colour_}};
        vertices_.insert(vertices_.end(), std::begin(corners), std::end(corners));
    }

    const std::vector<ScreenVertex>& vertices() const { return vertices_; }

private:
    D3DCOLOR colour_;
    const PixelRect* clip_;
    std::vector<ScreenVertex> vertices_;
};

void addGlyph(char c, float x, float y, const Style& style, QuadList* quads) {
    const uint8_t* rows = glyphRows(c);
    const float sx = style.cellWidth / kCellWidth, sy = style.cellHeight / kCellHeight;
    for (int r = 0; r < kGlyphRows; ++r) {
        const uint32_t bits = styledRow(rows, r, style);
        const float top = y + std::round(r * sy), bottom = y + std::round((r + 1) * sy);
        for (int c = 0; c < kStyledColumns;) {
            if (!(bits & (1u << c))) {
                ++c;
                continue;
            }
            const int start = c;
            while (c < kStyledColumns && (bits & (1u << c))) ++c;
            quads->add({x + std::round(start * sx), top, x + std::round(c * sx), bottom});
        }
    }
}

class D3DXFont final : public D3DXUnknown<D3DXFont, ID3DXFont> {
public:
    D3DXFont(IDirect3DDevice9* device, const Style& style)
        : device_(ComPtr<IDirect3DDevice9>::share(device)), style_(style) {}

    HRESULT GetDevice(IDirect3DDevice9** device) override {
        if (!device) {
            logMessage("D3DXFont: GetDevice: no place for the device\n");
            return D3DERR_INVALIDCALL;
        }
        *device = device_.get();
        device_->AddRef();
        return D3D_OK;
    }

    INT DrawTextA(LPD3DXSPRITE sprite, LPCSTR text, INT count, RECT* rect, DWORD format,
                  D3DCOLOR colour) override {
        if (sprite) return refuse("sprites are not offered; pass null");
        if (!text || !rect) return refuse("needs text and a rectangle");
        const size_t length = count < 0 ? std::strlen(text) : size_t(count);
        if (length == 0) return 0;
        const int columns = int((rect->right - rect->left) / style_.cellWidth);
        const auto lines = layoutLines(text, length, (format & DT_SINGLELINE) != 0,
                                       (format & DT_WORDBREAK) != 0, columns);
        size_t widest = 0;
        for (const std::string& line : lines) widest = std::max(widest, line.size());
        const float height = float(lines.size()) * style_.cellHeight;
        if (format & DT_CALCRECT) {
            rect->right = rect->left + LONG(std::ceil(float(widest) * style_.cellWidth));
            rect->bottom = rect->top + LONG(std::ceil(height));
            return INT(std::ceil(height));
        }
        const PixelRect clip{float(rect->left), float(rect->top), float(rect->right), float(rect->bottom)};
        QuadList quads(colour, (format & DT_NOCLIP) ? nullptr : &clip);
        float y = blockTop(clip, height, format);
        for (const std::string& line : lines) {
            const float x = lineLeft(clip, float(line.size()) * style_.cellWidth, format);
            for (size_t i = 0; i < line.size(); ++i)
                addGlyph(line[i], x + std::round(float(i) * style_.cellWidth), std::round(y), style_, &quads);
            y += style_.cellHeight;
        }
        if (FAILED(draw(quads.vertices()))) return 0;
        return INT(std::ceil(height));
    }

    HRESULT OnLostDevice() override { return D3D_OK; }
    HRESULT OnResetDevice() override { return D3D_OK; }

private:
    static INT refuse(const char* what) {
        logFormat("D3DXFont: DrawText: %s\n", what);
        return 0;
    }

    static float blockTop(const PixelRect& r, float height, DWORD format) {
        if (format & DT_BOTTOM) return r.bottom - height;
        if (format & DT_VCENTER) return r.top + std::floor((r.bottom - r.top - height) / 2);
        return r.top;
    }

    static float lineLeft(const PixelRect& r, float width, DWORD format) {
        if (format & DT_RIGHT) return r.right - width;
        if (format & DT_CENTER) return r.left + std::floor((r.right - r.left - width) / 2);
        return r.left;
    }

    HRESULT draw(const std::vector<ScreenVertex>& vertices) {
        if (vertices.empty()) return D3D_OK;
        D3DXStateSaver saver(device_.get());
        setScreenSpaceColourStates(saver, kScreenVertexFvf);
        saver.setRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        const size_t triangles = vertices.size() / 3;
        for (size_t first = 0; first < triangles; first += kTrianglesPerDraw) {
            const size_t n = std::min(kTrianglesPerDraw, triangles - first);
            PELMORA_RETURN_IF_FAILED(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(n), &vertices[first * 3],
                                                              sizeof(ScreenVertex)));
        }
        return D3D_OK;
    }

    ComPtr<IDirect3DDevice9> device_;
    Style style_;
};

}  // namespace
}  // namespace pelmora::d3dx

// The built-in face is the only one, so the face name, character set,
// precision, quality, pitch and mip levels choose nothing.
HRESULT D3DXCreateFontA(IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT /*mipLevels*/,
                        BOOL italic, DWORD /*charSet*/, DWORD /*outputPrecision*/, DWORD /*quality*/,
                        DWORD /*pitchAndFamily*/, LPCSTR /*faceName*/, ID3DXFont** font) {
    if (!device || !font) {
        pelmora::logMessage("D3DXCreateFont: needs a device and a place for the font\n");
        return D3DERR_INVALIDCALL;
    }
    using namespace pelmora::d3dx;
    const float cellHeight = height == 0 ? float(kCellHeight) : float(std::abs(height));
    const float cellWidth = width == 0 ? cellHeight * kCellWidth / kCellHeight : float(width);
    const Style style{cellWidth, cellHeight, weight >= FW_BOLD, italic != FALSE};
    *font = new D3DXFont(device, style);
    return D3D_OK;
}
