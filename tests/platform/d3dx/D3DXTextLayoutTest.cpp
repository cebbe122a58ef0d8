// Line breaking for the font.
#include "platform/d3dx/D3DXTextLayout.h"

#include <gtest/gtest.h>

#include <cstring>

namespace pelmora::d3dx {
namespace {

std::vector<std::string> lines(const char* text, bool single, bool wordBreak, int columns) {
    return layoutLines(text, std::strlen(text), single, wordBreak, columns);
}

TEST(D3DXTextLayoutTest, NewlinesBreakUnlessSingleLine) {
    EXPECT_EQ(lines("FPS\r\n12\tx", false, false, 0), (std::vector<std::string>{"FPS", "12 x"}));
    EXPECT_EQ(lines("FPS\n12", true, false, 0), (std::vector<std::string>{"FPS 12"}));
}

TEST(D3DXTextLayoutTest, WordBreakCutsAtTheLastSpaceThatFits) {
    EXPECT_EQ(lines("one two three", false, true, 8), (std::vector<std::string>{"one two", "three"}));
    EXPECT_EQ(lines("unbreakable word", false, true, 4), (std::vector<std::string>{"unbreakable", "word"}));
}

}  // namespace
}  // namespace pelmora::d3dx
