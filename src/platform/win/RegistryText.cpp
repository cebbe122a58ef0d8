#include "platform/win/RegistryText.h"

#include <cstdio>
#include <string_view>
#include <vector>

namespace pelmora::win {

namespace {

constexpr char kEscape = '%';
constexpr char kQuote = '"';
constexpr char kSeparator = '\\';
constexpr char kComment = ';';
constexpr std::string_view kAssign = " = ";

bool isPlain(unsigned char c) { return c >= 0x20 && c < 0x7f && c != kEscape && c != kQuote; }

template <class Bytes>
void appendEscaped(std::string& out, const Bytes& bytes) {
    for (unsigned char c : bytes) {
        if (isPlain(c)) {
            out += static_cast<char>(c);
        } else {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", c);
            out += code;
        }
    }
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Decodes escaped text; false on a broken escape or a byte that should have been escaped.
template <class Bytes>
bool unescape(std::string_view text, Bytes& out) {
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c != kEscape) {
            if (!isPlain(c))
                return false;
            out.push_back(static_cast<typename Bytes::value_type>(c));
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const int high = hexDigit(text[i + 1]);
        const int low = hexDigit(text[i + 2]);
        if (high < 0 || low < 0)
            return false;
        out.push_back(static_cast<typename Bytes::value_type>(high * 16 + low));
        i += 2;
    }
    return true;
}

// A key gets its "[path]" line when it holds values or is a leaf; the keys
// on the way to it come back from its path, so a deep chain of keys costs
// one line, not one per level with each repeating the path so far.
void formatKeyLines(const RegistryKey& key, const std::string& path, std::string& out) {
    const bool named = !key.values().empty() || (!path.empty() && key.children().empty());
    if (named) {
        out += '[';
        out += path;
        out += "]\n";
    }
    for (const auto& [name, value] : key.values()) {
        out += kQuote;
        appendEscaped(out, name);
        out += kQuote;
        out += kAssign;
        out += valueTypeName(value.type);
        out += ' ';
        out += kQuote;
        appendEscaped(out, value.data);
        out += "\"\n";
    }
}

// Reads a quoted, escaped string at the front of text and moves past it.
template <class Bytes>
bool takeQuoted(std::string_view& text, Bytes& out) {
    if (text.empty() || text.front() != kQuote)
        return false;
    const size_t close = text.find(kQuote, 1);
    if (close == std::string_view::npos || !unescape(text.substr(1, close - 1), out))
        return false;
    text.remove_prefix(close + 1);
    return true;
}

bool takePrefix(std::string_view& text, std::string_view prefix) {
    if (text.substr(0, prefix.size()) != prefix)
        return false;
    text.remove_prefix(prefix.size());
    return true;
}

bool parseKeyLine(std::string_view line, RegistryKey& root, RegistryKey** current) {
    line = line.substr(1, line.size() - 2);
    RegistryPath path;
    while (!line.empty()) {
        const size_t end = line.find(kSeparator);
        std::string name;
        if (!unescape(line.substr(0, end), name) || name.empty() ||
            name.size() > kMaxKeyNameLength || path.size() == kMaxKeyDepth)
            return false;
        path.push_back(std::move(name));
        if (end == std::string_view::npos)
            break;
        line.remove_prefix(end + 1);
        if (line.empty())
            return false;
    }
    *current = root.create(path, nullptr);
    return true;
}

bool parseValueLine(std::string_view line, RegistryKey& key) {
    std::string name;
    RegistryValue value;
    if (!takeQuoted(line, name) || name.size() > kMaxValueNameLength || !takePrefix(line, kAssign))
        return false;
    const size_t space = line.find(' ');
    if (space == std::string_view::npos || !valueTypeFromName(line.substr(0, space), &value.type))
        return false;
    line.remove_prefix(space + 1);
    if (!takeQuoted(line, value.data) || !line.empty() || value.data.size() > kMaxValueSize ||
        !hasValidSize(value.type, value.data.size()))
        return false;
    key.setValue(name, std::move(value));
    return true;
}

bool parseLine(std::string_view line, RegistryKey& root, RegistryKey** current) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (line.empty() || line.front() == kComment)
        return true;
    if (line.front() == '[')
        return line.size() >= 2 && line.back() == ']' && parseKeyLine(line, root, current);
    return parseValueLine(line, **current);
}

}  // namespace

std::string formatHive(const RegistryKey& root, const std::string& hiveName) {
    std::string out = "; Pelmora registry hive " + hiveName + "\n";
    // Depth first in name order, with a stack of its own rather than the
    // call stack.
    struct Level {
        const RegistryKey* key;
        RegistryKey::Children::const_iterator next;
        size_t pathLength;  // the path's length above this key
    };
    std::string path;
    formatKeyLines(root, path, out);
    std::vector<Level> levels{{&root, root.children().begin(), 0}};
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.key->children().end()) {
            path.resize(level.pathLength);
            levels.pop_back();
            continue;
        }
        const RegistryKey& child = *level.next->second;
        const size_t above = path.size();
        if (!path.empty())
            path += kSeparator;
        appendEscaped(path, level.next->first);
        ++level.next;
        formatKeyLines(child, path, out);
        levels.push_back({&child, child.children().begin(), above});
    }
    return out;
}

HiveParseResult parseHive(const std::string& text, RegistryKey& root) {
    HiveParseResult result;
    RegistryKey* current = &root;
    std::string_view rest = text;
    size_t lineNumber = 0;
    while (!rest.empty()) {
        ++lineNumber;
        const size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        if (!parseLine(line, root, &current)) {
            result.complete = false;
            result.firstBadLine = lineNumber;
            return result;
        }
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    return result;
}

}  // namespace pelmora::win
