// The library's symbol atlas, bitmap resource 102: a 128 x 128 4-bit BMP
// with the standard 16-colour palette. Constraint and hot-spot symbols in
// white, light grey and dark grey on black: ids below 32 in 8 x 8 cells, 16
// to a row from the top; ids from 32 in 16 x 16 cells, 8 to a row from pixel
// row 32; and 24 empty squares with a light-grey border in rows 80 to 127.
#pragma once

#include <cstdint>
#include <vector>

namespace pelmora::d3dx {

inline constexpr int kAtlasSize = 128;
inline constexpr int kSmallCell = 8;
inline constexpr int kBigCell = 16;
inline constexpr int kSmallCellsPerRow = kAtlasSize / kSmallCell;
inline constexpr int kBigCellsPerRow = kAtlasSize / kBigCell;
inline constexpr int kFirstBigId = 32;
inline constexpr int kBigCellTop = 32;
inline constexpr int kBorderedSquaresTop = 80;

// Palette indices of the standard 16-colour palette that the art uses.
inline constexpr uint8_t kAtlasBlack = 0;
inline constexpr uint8_t kAtlasLightGrey = 7;  // (192, 192, 192)
inline constexpr uint8_t kAtlasDarkGrey = 8;   // (128, 128, 128)
inline constexpr uint8_t kAtlasWhite = 15;

// Ids address cells up to this one; above it there is nothing.
inline constexpr int kLastAtlasId = 79;

// A cell of the atlas in pixels: its top-left corner and its edge.
struct AtlasCell {
    int x, y, size;
};

// The cell of an id from 0 to kLastAtlasId: small cells for ids below
// kFirstBigId, big cells from kBigCellTop on for the others.
AtlasCell atlasCellOf(int id);

// The atlas as palette indices, top row first.
std::vector<uint8_t> symbolAtlasIndices();

// The atlas as the bytes of a BMP file.
std::vector<uint8_t> symbolAtlasBitmap();

}  // namespace pelmora::d3dx
