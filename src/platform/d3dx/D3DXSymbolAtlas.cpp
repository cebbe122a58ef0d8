#include "platform/d3dx/D3DXSymbolAtlas.h"

#include <array>
#include <string_view>

namespace pelmora::d3dx {
namespace {

// The artwork, one glyph per symbol, drawn pixel by pixel for 8 x 8 and for
// 16 x 16 so that each size is crisp as it is shown: '.' black (transparent
// once keyed), 'W' white, 'L' light grey, 'D' dark grey. Strokes are one
// pixel at 8 x 8 and mostly two at 16 x 16; shading is lit from the top left.
struct GlyphArt {
    int id;
    const char* pixels;  // size x size characters, the top row first
};

constexpr GlyphArt kArt[] = {
    // CONSTRAINT_COINCIDENT: a line kinked into a V, a point on the kink.
    {0,
     "L......L"
     ".L....L."
     ".L....L."
     "..L..L.."
     "..DWWD.."
     "..WWWW.."
     "..WWWW.."
     "..DWWD.."},
    // CONSTRAINT_COLLINEAR: two dashes on one line.
    {1,
     "........"
     "........"
     "........"
     "WWW..WWW"
     "LLL..LLL"
     "........"
     "........"
     "........"},
    // CONSTRAINT_CONCENTRIC: a ring inside a ring.
    {2,
     "..WWWW.."
     ".W....W."
     "W..LL..W"
     "W.L..L.W"
     "W.L..L.W"
     "W..LL..W"
     ".W....W."
     "..WWWW.."},
    // CONSTRAINT_CORADIAL: the rings with a bar through them.
    {3,
     "..WWWW.."
     ".W....W."
     "W..LL..W"
     "WWWWWWWW"
     "W.L..L.W"
     "W..LL..W"
     ".W....W."
     "..WWWW.."},
    // CONSTRAINT_HORIZONTAL: a horizontal double arrow.
    {4,
     "........"
     "........"
     ".W....W."
     "WWWWWWWW"
     ".W....W."
     "........"
     "........"
     "........"},
    // CONSTRAINT_INTERSECTION: a diagonal cross.
    {5,
     "W......W"
     ".W....W."
     "..W..W.."
     "...WW..."
     "...WW..."
     "..W..W.."
     ".W....W."
     "W......W"},
    // CONSTRAINT_MIDPOINT: a triangle standing on a bar.
    {6,
     "........"
     "........"
     "...WW..."
     "..WLLW.."
     ".WLLLLW."
     "WWWWWWWW"
     "........"
     "........"},
    // CONSTRAINT_PARALLEL: two slanted parallel strokes.
    {7,
     "....W..W"
     "....W..W"
     "...W..W."
     "...W..W."
     "..W..W.."
     "..W..W.."
     ".W..W..."
     ".W..W..."},
    // CONSTRAINT_EQUAL: an equals sign.
    {8,
     "........"
     "........"
     "WWWWWWWW"
     "........"
     "........"
     "WWWWWWWW"
     "........"
     "........"},
    // CONSTRAINT_FIXED: a padlock.
    {9,
     "..WWWW.."
     ".W....W."
     ".W....W."
     "WWWWWWWW"
     "WLLLLLLW"
     "WLL..LLW"
     "WLLLLLLW"
     "WWWWWWWW"},
    // CONSTRAINT_PERPENDICULAR: an upright on a base, with a corner mark.
    {10,
     "...W...."
     "...W...."
     "...W...."
     "...W...."
     "...WLL.."
     "...W.L.."
     "WWWWWWW."
     "........"},
    // CONSTRAINT_SYMMETRIC: four arrows from the centre.
    {11,
     "...W...."
     "..WWW..."
     ".W.W.W.."
     "WWWWWWW."
     ".W.W.W.."
     "..WWW..."
     "...W...."
     "........"},
    // CONSTRAINT_TANGENT: a circle touching a line.
    {12,
     "..WWW..."
     ".W...W.."
     "W.....W."
     "W.....W."
     "W.....W."
     ".W...W.."
     "..WWW..."
     "WWWWWWWW"},
    // CONSTRAINT_VERTICAL: a vertical double arrow.
    {13,
     "...W...."
     "..WWW..."
     ".W.W.W.."
     "...W...."
     "...W...."
     ".W.W.W.."
     "..WWW..."
     "...W...."},
    // HOTSPOT_VERTEX: a small shaded ball.
    {14,
     "........"
     "..LLLL.."
     ".LWWLLD."
     ".LWLLLD."
     ".LLLLLD."
     ".LLLLDD."
     "..DDDD.."
     "........"},
    // HOTSPOT_HOTPOINT: a white dot.
    {15,
     "........"
     "...DD..."
     "..DWWD.."
     ".DWWWWD."
     ".DWWWWD."
     "..DWWD.."
     "...DD..."
     "........"},
    // CONSTRAINT_EXTERNAL_ASSOCIATION: an arrow with a bent tail.
    {16,
     "...WWWWW"
     "......WW"
     ".....W.W"
     "....W..W"
     "...W...."
     "..W....."
     "..W....."
     "..W....."},
    // TEXTURE_UNKNOWN: a question mark.
    {17,
     "..WWWW.."
     ".WW..WW."
     ".....WW."
     "....WW.."
     "...WW..."
     "...WW..."
     "........"
     "...WW..."},
    // HOTSPOT_DRAGPOINT: a large shaded ball.
    {18,
     "..LLLL.."
     ".LWWLLL."
     "LWWWLLLD"
     "LWWLLLLD"
     "LLLLLLLD"
     "LLLLLLDD"
     ".LLLLDD."
     "..DDDD.."},
    // CONSTRAINT_FIXED_DIRECTION: a padlock and an arrow.
    {19,
     "......W."
     ".WWW.WWW"
     "W...W.W."
     "W...W.W."
     "WWWWW.W."
     "WLLLW.W."
     "WL.LW.W."
     "WWWWW..."},
    // CONSTRAINT_TANGENT_CONTINUOUS: an open C against a bar.
    {20,
     "..WWW.W."
     ".W....W."
     "W.....W."
     "W.....W."
     "W.....W."
     "W.....W."
     ".W....W."
     "..WWW.W."},
    // CONSTRAINT_AT_POINT: a triangle pointing down onto a bar.
    {21,
     "........"
     "WWWWWWW."
     ".WLLLW.."
     "..WLW..."
     "...W...."
     "WWWWWWW."
     "........"
     "........"},
    // DESIGN_POINT: a cross with a small ring at its centre.
    {32,
     ".......W........"
     ".......W........"
     ".......W........"
     ".......W........"
     "......WWW......."
     ".....W...W......"
     "....W.....W....."
     "WWWWW.....WWWWWW"
     "....W.....W....."
     ".....W...W......"
     "......WWW......."
     ".......W........"
     ".......W........"
     ".......W........"
     ".......W........"
     ".......W........"},
    // ARROW_TAIL_HANDLE: a thick ring.
    {33,
     "................"
     ".....DDDDDD....."
     "...DDWWWWWWDD..."
     "..DWWWWWWWWWWD.."
     "..DWWWLLLLWWWD.."
     ".DWWWL....LWWWD."
     ".DWWL......LWWD."
     ".DWWL......LWWD."
     ".DWWL......LWWD."
     ".DWWL......LWWD."
     ".DWWWL....LWWWD."
     "..DWWWLLLLWWWD.."
     "..DWWWWWWWWWWD.."
     "...DDWWWWWWDD..."
     ".....DDDDDD....."
     "................"},
    // HOTSPOT_BIG_VERTEX: a shaded ball.
    {34,
     "................"
     ".....LLLLLL....."
     "...LLLLLLLLLL..."
     "..LLWWWLLLLLLL.."
     "..LWWWWWLLLLLL.."
     ".LLWWWWWLLLLLLD."
     ".LLWWWWLLLLLLLD."
     ".LLLWWLLLLLLLLD."
     ".LLLLLLLLLLLLLD."
     ".LLLLLLLLLLLLDD."
     ".LLLLLLLLLLLLDD."
     "..LLLLLLLLLLDD.."
     "..LLLLLLLLLDDD.."
     "...DLLLLLDDDD..."
     ".....DDDDDD....."
     "................"},
    // CONSTRAINT_BIG_COINCIDENT
    {35,
     "LL............LL"
     "LL............LL"
     ".LL..........LL."
     ".LL..........LL."
     "..LL........LL.."
     "..LL........LL.."
     "...LL......LL..."
     "...LL......LL..."
     "....LL....LL...."
     ".....DWWWWD....."
     "....DWWWWWWD...."
     "....WWWWWWWW...."
     "....WWWWWWWW...."
     "....DWWWWWWD...."
     ".....DWWWWD....."
     "................"},
    // CONSTRAINT_BIG_COLLINEAR
    {36,
     "................"
     "................"
     "................"
     "................"
     "................"
     "................"
     "................"
     "WWWWWW.DD.WWWWWW"
     "WWWWWW.DD.WWWWWW"
     "................"
     "................"
     "................"
     "................"
     "................"
     "................"
     "................"},
    // CONSTRAINT_BIG_CONCENTRIC
    {37,
     ".....WWWWWW....."
     "...WWWWWWWWWW..."
     "..WWW......WWW.."
     ".WW..........WW."
     ".WW...LLLL...WW."
     "WW...L....L...WW"
     "WW..L......L..WW"
     "WW..L......L..WW"
     "WW..L......L..WW"
     "WW..L......L..WW"
     "WW...L....L...WW"
     ".WW...LLLL...WW."
     ".WW..........WW."
     "..WWW......WWW.."
     "...WWWWWWWWWW..."
     ".....WWWWWW....."},
    // CONSTRAINT_BIG_CORADIAL
    {38,
     ".....WWWWWW....."
     "...WWWWWWWWWW..."
     "..WWW......WWW.."
     ".WW..........WW."
     ".WW...LLLL...WW."
     "WW...L....L...WW"
     "WW..L......L..WW"
     "WWWWWWWWWWWWWWWW"
     "WWWWWWWWWWWWWWWW"
     "WW..L......L..WW"
     "WW...L....L...WW"
     ".WW...LLLL...WW."
     ".WW..........WW."
     "..WWW......WWW.."
     "...WWWWWWWWWW..."
     ".....WWWWWW....."},
    // CONSTRAINT_BIG_HORIZONTAL
    {39,
     "................"
     "................"
     "................"
     "................"
     "...W........W..."
     "..WW........WW.."
     ".WWW........WWW."
     "WWWWWWWWWWWWWWWW"
     "WWWWWWWWWWWWWWWW"
     ".WWW........WWW."
     "..WW........WW.."
     "...W........W..."
     "................"
     "................"
     "................"
     "................"},
    // CONSTRAINT_BIG_INTERSECTION
    {40,
     "................"
     ".WW..........WW."
     ".WWW........WWW."
     "..WWW......WWW.."
     "...WWW....WWW..."
     "....WWW..WWW...."
     ".....WWWWWW....."
     "......WWWW......"
     "......WWWW......"
     ".....WWWWWW....."
     "....WWW..WWW...."
     "...WWW....WWW..."
     "..WWW......WWW.."
     ".WWW........WWW."
     ".WW..........WW."
     "................"},
    // CONSTRAINT_BIG_MIDPOINT
    {41,
     "................"
     "................"
     "................"
     ".......WW......."
     "......WWWW......"
     "......WLLW......"
     ".....WLLLLW....."
     ".....WLLLLW....."
     "....WLLLLLLW...."
     "....WLLLLLLW...."
     "...WWWWWWWWWW..."
     "WWWWWWWWWWWWWWWW"
     "WWWWWWWWWWWWWWWW"
     "................"
     "................"
     "................"},
    // CONSTRAINT_BIG_PARALLEL
    {42,
     "........WW...WW."
     "........WW...WW."
     ".......WW...WW.."
     ".......WW...WW.."
     "......WW...WW..."
     "......WW...WW..."
     ".....WW...WW...."
     ".....WW...WW...."
     "....WW...WW....."
     "....WW...WW....."
     "...WW...WW......"
     "...WW...WW......"
     "..WW...WW......."
     "..WW...WW......."
     ".WW...WW........"
     ".WW...WW........"},
    // CONSTRAINT_BIG_EQUAL
    {43,
     "................"
     "................"
     "................"
     "................"
     ".WWWWWWWWWWWWWW."
     ".WWWWWWWWWWWWWW."
     "................"
     "................"
     "................"
     "................"
     ".WWWWWWWWWWWWWW."
     ".WWWWWWWWWWWWWW."
     "................"
     "................"
     "................"
     "................"},
    // CONSTRAINT_BIG_FIXED
    {44,
     "................"
     ".....WWWWWW....."
     "....WW....WW...."
     "...WW......WW..."
     "...WW......WW..."
     "...WW......WW..."
     "...WW......WW..."
     ".WWWWWWWWWWWWWW."
     ".WLLLLLLLLLLLLW."
     ".WLLLLLDDLLLLLW."
     ".WLLLLLDDLLLLLW."
     ".WLLLLLLDLLLLLW."
     ".WLLLLLLDLLLLLW."
     ".WLLLLLLLLLLLLW."
     ".WWWWWWWWWWWWWW."
     "................"},
    // CONSTRAINT_BIG_PERPENDICULAR
    {45,
     "................"
     ".......WW......."
     ".......WW......."
     ".......WW......."
     ".......WW......."
     ".......WW......."
     ".......WW......."
     ".......WW......."
     ".......WW......."
     ".......WW......."
     ".......WWLLL...."
     ".......WW..L...."
     ".......WW..L...."
     ".WWWWWWWWWWWWWW."
     ".WWWWWWWWWWWWWW."
     "................"},
    // CONSTRAINT_BIG_SYMMETRIC
    {46,
     ".......WW......."
     "......WWWW......"
     ".....WWWWWW....."
     ".......WW......."
     ".......WW......."
     "..W....WW....W.."
     ".WW....WW....WW."
     "WWWWWWWWWWWWWWWW"
     "WWWWWWWWWWWWWWWW"
     ".WW....WW....WW."
     "..W....WW....W.."
     ".......WW......."
     ".......WW......."
     ".....WWWWWW....."
     "......WWWW......"
     ".......WW......."},
    // CONSTRAINT_BIG_TANGENT
    {47,
     ".....WWWWWW....."
     "....WWWWWWWW...."
     "...WW......WW..."
     "..WW........WW.."
     "..WW........WW.."
     "..WW........WW.."
     "..WW........WW.."
     "..WW........WW.."
     "..WW........WW.."
     "...WW......WW..."
     "....WWWWWWWW...."
     ".....WWWWWW....."
     "................"
     "WWWWWWWWWWWWWWWW"
     "WWWWWWWWWWWWWWWW"
     "................"},
    // CONSTRAINT_BIG_VERTICAL
    {48,
     ".......WW......."
     "......WWWW......"
     ".....WWWWWW....."
     "....WWWWWWWW...."
     ".......WW......."
     ".......WW......."
     ".......WW......."
     ".......WW......."
     ".......WW......."
     ".......WW......."
     ".......WW......."
     ".......WW......."
     "....WWWWWWWW...."
     ".....WWWWWW....."
     "......WWWW......"
     ".......WW......."},
    // HOTSPOT_BIG_HOTPOINT: a bright ball.
    {49,
     "................"
     "................"
     "......DDDD......"
     "....DDWWWWDD...."
     "...DWWWWWWLLD..."
     "...DWWWWWWLLD..."
     "..DWWWWWWWLLLD.."
     "..DWWWWWWLLLLD.."
     "..DWWWWWLLLLLD.."
     "..DWWWLLLLLLLD.."
     "...DLLLLLLLLD..."
     "...DLLLLLLLLD..."
     "....DDLLLLDD...."
     "......DDDD......"
     "................"
     "................"},
    // CONSTRAINT_BIG_EXTERNAL_ASSOCIATION
    {50,
     "................"
     "........WWWWWWW."
     "........WWWWWWW."
     "............WWW."
     "...........WWWW."
     "..........WWWWW."
     ".........WWW.WW."
     "........WWW..WW."
     ".......WWW......"
     "......WWW......."
     ".....WWW........"
     "....WWW........."
     "....WW.........."
     "....WW.........."
     "....WW.........."
     "....WW.........."},
    // TEXTURE_BIG_UNKNOWN
    {51,
     "................"
     ".....WWWWWW....."
     "....WWWWWWWW...."
     "...WWW....WWW..."
     "...WW......WW..."
     "...........WW..."
     "..........WWW..."
     ".........WWW...."
     "........WWW....."
     ".......WWW......"
     ".......WW......."
     ".......WW......."
     "................"
     ".......WW......."
     ".......WW......."
     "................"},
    // CONSTRAINT_BIG_FIXED_DIRECTION
    {52,
     "............W..."
     "...........WWW.."
     "..........WWWWW."
     ".........WWWWWWW"
     "...WWWW.....W..."
     "..WW..WW....W..."
     ".WW....WW...W..."
     ".WW....WW...W..."
     "WWWWWWWWWW..W..."
     "WLLLLLLLLW..W..."
     "WLLLLDLLLW..W..."
     "WLLLLDLLLW..W..."
     "WLLLLDLLLW..W..."
     "WLLLLLLLLW..W..."
     "WWWWWWWWWW..W..."
     "................"},
    // CONSTRAINT_BIG_TANGENT_CONTINUOUS
    {53,
     "....WWWWW...WW.."
     "...WWWWWW...WW.."
     "..WW........WW.."
     ".WW.........WW.."
     ".WW.........WW.."
     "WW..........WW.."
     "WW..........WW.."
     "WW..........WW.."
     "WW..........WW.."
     "WW..........WW.."
     "WW..........WW.."
     ".WW.........WW.."
     ".WW.........WW.."
     "..WW........WW.."
     "...WWWWWW...WW.."
     "....WWWWW...WW.."},
    // CONSTRAINT_BIG_AT_POINT
    {54,
     "................"
     "................"
     ".WWWWWWWWWWWWWW."
     "..WLLLLLLLLLLW.."
     "...WLLLLLLLLW..."
     "....WLLLLLLW...."
     ".....WLLLLW....."
     "......WLLW......"
     ".......WW......."
     "................"
     "WWWWWWWWWWWWWWWW"
     "WWWWWWWWWWWWWWWW"
     "................"
     "................"
     "................"
     "................"},
};

constexpr int edgeOf(int id) { return id < kFirstBigId ? kSmallCell : kBigCell; }

constexpr bool artIsWhole() {
    for (const GlyphArt& glyph : kArt) {
        const size_t edge = size_t(edgeOf(glyph.id));
        if (std::string_view(glyph.pixels).size() != edge * edge) return false;
        for (char c : std::string_view(glyph.pixels))
            if (c != '.' && c != 'W' && c != 'L' && c != 'D') return false;
    }
    return true;
}
static_assert(artIsWhole(), "every glyph fills its cell with known colours");

class Canvas {
public:
    Canvas() { pixels_.fill(kAtlasBlack); }

    void set(int x, int y, uint8_t index) { pixels_[size_t(y) * kAtlasSize + x] = index; }
    std::vector<uint8_t> indices() const { return {pixels_.begin(), pixels_.end()}; }

private:
    std::array<uint8_t, kAtlasSize * kAtlasSize> pixels_;
};

uint8_t indexOf(char c) {
    switch (c) {
        case 'W': return kAtlasWhite;
        case 'L': return kAtlasLightGrey;
        case 'D': return kAtlasDarkGrey;
        default: return kAtlasBlack;
    }
}

void drawGlyph(Canvas& canvas, const GlyphArt& glyph) {
    const AtlasCell cell = atlasCellOf(glyph.id);
    for (int y = 0; y < cell.size; ++y)
        for (int x = 0; x < cell.size; ++x)
            canvas.set(cell.x + x, cell.y + y, indexOf(glyph.pixels[y * cell.size + x]));
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

AtlasCell atlasCellOf(int id) {
    if (id < kFirstBigId)
        return {(id % kSmallCellsPerRow) * kSmallCell, (id / kSmallCellsPerRow) * kSmallCell, kSmallCell};
    const int big = id - kFirstBigId;
    return {(big % kBigCellsPerRow) * kBigCell, kBigCellTop + (big / kBigCellsPerRow) * kBigCell, kBigCell};
}

std::vector<uint8_t> symbolAtlasIndices() {
    Canvas canvas;
    for (const GlyphArt& glyph : kArt) drawGlyph(canvas, glyph);
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
