// The font's one face: a fixed-pitch bitmap face of 5 x 8 glyphs in 6 x 9
// cells, covering printable ASCII.
#pragma once

#include <cstdint>

namespace pelmora::d3dx {

inline constexpr int kGlyphColumns = 5;
inline constexpr int kGlyphRows = 8;
inline constexpr int kCellWidth = 6;   // one blank column between glyphs
inline constexpr int kCellHeight = 9;  // one blank row between lines
inline constexpr int kFirstGlyph = 0x20;
inline constexpr int kGlyphCount = 0x7F - kFirstGlyph;

// The rows of a character's glyph; characters outside printable ASCII show
// as a question mark.
const uint8_t* glyphRows(char c);

}  // namespace pelmora::d3dx
