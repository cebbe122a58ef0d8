// Text cut into lines for the font: explicit line breaks, and word breaks
// where a line would not fit.
#pragma once

#include <pelmora/automation.h>

#include <string>
#include <vector>

namespace pelmora::d3dx {

// The lines of text. '\r' is dropped and a tab counts as a space. With
// singleLine, '\n' is a space too; with wordBreak, a line longer than
// maxColumns breaks at its last space that fits (a word longer than the
// line stays whole).
std::vector<std::string> layoutLines(const char* text, size_t length, bool singleLine,
                                     bool wordBreak, int maxColumns);

}  // namespace pelmora::d3dx
