#include "platform/d3dx/D3DXTextLayout.h"

namespace pelmora::d3dx {
namespace {

// Breaks one line at spaces so that each piece fits in maxColumns.
void appendWrapped(const std::string& line, int maxColumns, std::vector<std::string>* lines) {
    std::string rest = line;
    while (int(rest.size()) > maxColumns) {
        size_t cut = rest.rfind(' ', size_t(maxColumns));
        if (cut == std::string::npos || cut == 0) cut = rest.find(' ', size_t(maxColumns));
        if (cut == std::string::npos) break;
        lines->push_back(rest.substr(0, cut));
        rest = rest.substr(cut + 1);
    }
    lines->push_back(rest);
}

}  // namespace

std::vector<std::string> layoutLines(const char* text, size_t length, bool singleLine,
                                     bool wordBreak, int maxColumns) {
    std::vector<std::string> raw(1);
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (c == '\r') continue;
        if (c == '\n' && !singleLine) {
            raw.emplace_back();
            continue;
        }
        raw.back().push_back(c == '\t' || c == '\n' ? ' ' : c);
    }
    if (!wordBreak || singleLine || maxColumns < 1) return raw;
    std::vector<std::string> lines;
    for (const std::string& line : raw) appendWrapped(line, maxColumns, &lines);
    return lines;
}

}  // namespace pelmora::d3dx
