#include "platform/d3dx/D3DXSymbolAtlas.h"

#include <array>
#include <cmath>

namespace pelmora::d3dx {
namespace {

// 8 x 8 glyphs: '.' black, 'W' white, 'L' light grey, 'D' dark grey.
struct SmallGlyph {
    int id;
    const char* rows[kSmallCell];
};

constexpr SmallGlyph kSmallGlyphs[] = {
    {0, {"W.......", ".W......", "..W.....", "...WWWWW", "........", "..LL....", "..LL....", "........"}},
    {1, {"........", "........", "........", "WWW..WWW", "LLL..LLL", "........", "........", "........"}},
    {2, {"..WWWW..", ".W....W.", "W..LL..W", "W.L..L.W", "W.L..L.W", "W..LL..W", ".W....W.", "..WWWW.."}},
    {3, {"..WWWW..", ".W....W.", "W..LL..W", "WWWWWWWW", "W.L..L.W", "W..LL..W", ".W....W.", "..WWWW.."}},
    {4, {"........", "..W..W..", ".W....W.", "WWWWWWWW", ".W....W.", "..W..W..", "........", "........"}},
    {5, {"W......W", ".W....W.", "..W..W..", "...WW...", "...WW...", "..W..W..", ".W....W.", "W......W"}},
    {6, {"........", "...WW...", "...WW...", "..WLLW..", ".WLLLLW.", "WWWWWWWW", "........", "WWWWWWWW"}},
    {7, {"...W..W.", "...W..W.", "..W..W..", "..W..W..", ".W..W...", ".W..W...", "W..W....", "W..W...."}},
    {8, {"........", "........", "WWWWWWWW", "........", "........", "WWWWWWWW", "........", "........"}},
    {9, {"..WWWW..", ".W....W.", ".W....W.", "WWWWWWWW", "WLLLLLLW", "WLL..LLW", "WLLLLLLW", "WWWWWWWW"}},
    {10, {"...W....", "...W....", "...W....", "...W....", "...W....", "...W....", "...W....", "WWWWWWWW"}},
    {11, {"...WW...", "..WWWW..", ".W.WW.W.", "WWWWWWWW", "WWWWWWWW", ".W.WW.W.", "..WWWW..", "...WW..."}},
    {12, {"........", "..WWW...", ".W...W..", "W.....W.", "W.....W.", ".W...W..", "..WWW...", "WWWWWWWW"}},
    {13, {"...W....", "..WWW...", ".W.W.W..", "...W....", "...W....", ".W.W.W..", "..WWW...", "...W...."}},
    {15, {"........", "........", "...WW...", "..WWWW..", "..WWWW..", "...WW...", "........", "........"}},
    {16, {"...WWWWW", "......WW", ".....W.W", "....W..W", "...W....", "..W.....", "..W.....", "..W....."}},
    {17, {"..WWWW..", ".W....W.", "......W.", ".....W..", "...WW...", "...W....", "........", "...W...."}},
    {19, {".WWW....", "W...W...", "W...W..W", "WWWWW.WW", "WLLLWWWW", "WL.LW.WW", "WLLLW..W", "WWWWW..."}},
    {20, {"..WWW.W.", ".W....W.", "W.....W.", "W.....W.", "W.....W.", "W.....W.", ".W....W.", "..WWW.W."}},
    {21, {"WWWWWWWW", ".WLLLLW.", "..WLLW..", "...WW...", "........", "WWWWWWWW", "........", "........"}},
};

// Big symbols that are small ones drawn at twice the size.
struct Doubled {
    int bigId;
    int smallId;
};
constexpr Doubled kDoubled[] = {{35, 0},  {36, 1},  {37, 2},  {38, 3},  {39, 4},  {40, 5},  {41, 6},
                                {42, 7},  {43, 8},  {44, 9},  {45, 10}, {46, 11}, {47, 12}, {48, 13},
                                {50, 16}, {51, 17}, {52, 19}, {53, 20}, {54, 21}};

// Shaded balls: lit from the top left, a white highlight, a light-grey body
// and a dark-grey shadow side.
struct Ball {
    int id;
    float radius;
    float highlight;  // lighting above which a pixel is white
    float shadow;     // lighting below which it is dark grey
};
constexpr Ball kBalls[] = {{14, 3.6f, 0.75f, -0.1f},
                           {18, 4.0f, 0.6f, -0.2f},
                           {34, 7.5f, 0.75f, -0.1f},
                           {49, 6.5f, 0.45f, -0.3f}};

constexpr int kBigArrowTailHandle = 33;
constexpr int kDesignPoint = 32;

class Canvas {
public:
    Canvas() { pixels_.fill(kAtlasBlack); }

    void set(int x, int y, uint8_t index) { pixels_[size_t(y) * kAtlasSize + x] = index; }
    std::vector<uint8_t> indices() const { return {pixels_.begin(), pixels_.end()}; }

private:
    std::array<uint8_t, kAtlasSize * kAtlasSize> pixels_;
};

struct Cell {
    int x, y, size;
};

Cell cellOf(int id) {
    if (id < kFirstBigId)
        return {(id % kSmallCellsPerRow) * kSmallCell, (id / kSmallCellsPerRow) * kSmallCell, kSmallCell};
    const int big = id - kFirstBigId;
    return {(big % kBigCellsPerRow) * kBigCell, kBigCellTop + (big / kBigCellsPerRow) * kBigCell, kBigCell};
}

uint8_t indexOf(char c) {
    switch (c) {
        case 'W': return kAtlasWhite;
        case 'L': return kAtlasLightGrey;
        case 'D': return kAtlasDarkGrey;
        default: return kAtlasBlack;
    }
}

void drawSmall(Canvas& canvas, const SmallGlyph& glyph, int scale, const Cell& cell) {
    for (int y = 0; y < kSmallCell * scale; ++y)
        for (int x = 0; x < kSmallCell * scale; ++x)
            canvas.set(cell.x + x, cell.y + y, indexOf(glyph.rows[y / scale][x / scale]));
}

// Distance of a pixel centre from the centre of its cell.
float dx(const Cell& cell, int x) { return float(x) + 0.5f - float(cell.size) / 2; }

void drawBall(Canvas& canvas, const Ball& ball) {
    const Cell cell = cellOf(ball.id);
    for (int y = 0; y < cell.size; ++y)
        for (int x = 0; x < cell.size; ++x) {
            const float px = dx(cell, x) / ball.radius, py = dx(cell, y) / ball.radius;
            const float r2 = px * px + py * py;
            if (r2 > 1.0f) continue;
            const float pz = std::sqrt(1.0f - r2);
            // Light from the upper left and in front.
            const float light = -0.5f * px - 0.5f * py + 0.7f * pz - 0.35f;
            const uint8_t index = light > ball.highlight ? kAtlasWhite
                                  : light < ball.shadow  ? kAtlasDarkGrey
                                                         : kAtlasLightGrey;
            canvas.set(cell.x + x, cell.y + y, index);
        }
}

void drawRing(Canvas& canvas, const Cell& cell, float inner, float outer, uint8_t index) {
    for (int y = 0; y < cell.size; ++y)
        for (int x = 0; x < cell.size; ++x) {
            const float r = std::hypot(dx(cell, x), dx(cell, y));
            if (r >= inner && r <= outer) canvas.set(cell.x + x, cell.y + y, index);
        }
}

void drawDesignPoint(Canvas& canvas) {
    const Cell cell = cellOf(kDesignPoint);
    const int middle = cell.size / 2;
    for (int i = 0; i < cell.size; ++i) {
        canvas.set(cell.x + i, cell.y + middle, kAtlasWhite);
        canvas.set(cell.x + middle, cell.y + i, kAtlasWhite);
    }
    drawRing(canvas, cell, 2.0f, 3.2f, kAtlasLightGrey);
}

void drawThickRing(Canvas& canvas) {
    const Cell cell = cellOf(kBigArrowTailHandle);
    drawRing(canvas, cell, 4.0f, 7.5f, kAtlasWhite);
    drawRing(canvas, cell, 4.0f, 5.0f, kAtlasLightGrey);
}

void drawBorderedSquares(Canvas& canvas) {
    for (int top = kBorderedSquaresTop; top < kAtlasSize; top += kBigCell)
        for (int left = 0; left < kAtlasSize; left += kBigCell)
            for (int i = 0; i < kBigCell; ++i) {
                canvas.set(left + i, top, kAtlasLightGrey);
                canvas.set(left + i, top + kBigCell - 1, kAtlasLightGrey);
                canvas.set(left, top + i, kAtlasLightGrey);
                canvas.set(left + kBigCell - 1, top + i, kAtlasLightGrey);
            }
}

const SmallGlyph* smallGlyph(int id) {
    for (const SmallGlyph& g : kSmallGlyphs)
        if (g.id == id) return &g;
    return nullptr;
}

// The standard 16-colour palette, red, green, blue (the file stores blue first).
constexpr uint8_t kPalette[16][3] = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},   {128, 128, 0},
                                     {0, 0, 128},     {128, 0, 128},   {0, 128, 128}, {192, 192, 192},
                                     {128, 128, 128}, {255, 0, 0},     {0, 255, 0},   {255, 255, 0},
                                     {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kPaletteSize = 16 * 4;
constexpr uint32_t kBitsPerPixel = 4;
constexpr uint32_t kRowBytes = kAtlasSize * kBitsPerPixel / 8;  // already a multiple of 4

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

}  // namespace

std::vector<uint8_t> symbolAtlasIndices() {
    Canvas canvas;
    for (const SmallGlyph& glyph : kSmallGlyphs) drawSmall(canvas, glyph, 1, cellOf(glyph.id));
    for (const Doubled& d : kDoubled) drawSmall(canvas, *smallGlyph(d.smallId), 2, cellOf(d.bigId));
    for (const Ball& ball : kBalls) drawBall(canvas, ball);
    drawDesignPoint(canvas);
    drawThickRing(canvas);
    drawBorderedSquares(canvas);
    return canvas.indices();
}

std::vector<uint8_t> symbolAtlasBitmap() {
    const std::vector<uint8_t> indices = symbolAtlasIndices();
    const uint32_t dataOffset = kFileHeaderSize + kInfoHeaderSize + kPaletteSize;
    const uint32_t imageSize = kRowBytes * kAtlasSize;
    std::vector<uint8_t> out;
    out.reserve(dataOffset + imageSize);
    out.push_back('B');
    out.push_back('M');
    put32(out, dataOffset + imageSize);
    put32(out, 0);  // reserved
    put32(out, dataOffset);
    put32(out, kInfoHeaderSize);
    put32(out, kAtlasSize);
    put32(out, kAtlasSize);  // positive: rows bottom-up
    put16(out, 1);           // planes
    put16(out, kBitsPerPixel);
    put32(out, 0);  // BI_RGB
    put32(out, imageSize);
    put32(out, 0);  // pixels per metre, x and y
    put32(out, 0);
    put32(out, 16);  // colours used
    put32(out, 0);   // important colours
    for (const auto& entry : kPalette) {
        out.push_back(entry[2]);
        out.push_back(entry[1]);
        out.push_back(entry[0]);
        out.push_back(0);
    }
    for (int y = kAtlasSize - 1; y >= 0; --y)
        for (int x = 0; x < kAtlasSize; x += 2)
            out.push_back(uint8_t(indices[size_t(y) * kAtlasSize + x] << 4 | indices[size_t(y) * kAtlasSize + x + 1]));
    return out;
}

}  // namespace pelmora::d3dx
