// The readable text form of one hive:
//
//   ; Pelmora registry hive HKEY_CURRENT_USER
//   [Software\Torvel, Inc.\Torvel Design\Pelmora]
//   "Log Errors" = REG_SZ "no%00"
//
// A "[path]" line names a key (an empty path is the hive root) and the value
// lines under it belong to it. Keys with values and keys without subkeys get
// a line; the keys on a path are made by reading it. Key lines deeper than
// kMaxKeyDepth, names longer than the limits and values larger than
// kMaxValueSize do not parse. Names and data keep every byte: printable
// ASCII stands for itself, anything else (and '%' and '"') is written %HH.
// Lines starting with ';' and blank lines are ignored.
#pragma once

#include "platform/win/RegistryKey.h"

#include <cstddef>
#include <string>

namespace pelmora::win {

std::string formatHive(const RegistryKey& root, const std::string& hiveName);

struct HiveParseResult {
    bool complete = true;
    size_t firstBadLine = 0;  // 1-based; meaningful when not complete
};

// Adds what the text holds to root, stopping at the first line that does not
// parse; what came before it is kept.
HiveParseResult parseHive(const std::string& text, RegistryKey& root);

}  // namespace pelmora::win
