// Registration data written as rows of keys and values, applied to the
// registry in both directions: writing it registers, removing it
// unregisters. Key paths and data may hold %NAME% placeholders, replaced
// when the script is applied.
#pragma once

#include <pelmora/host.h>

#include <map>
#include <span>
#include <string>

namespace pelmora {

// How a key is treated beyond writing and removing it.
enum class KeyRule {
    Plain,        // removed on unregistration when nothing foreign is left under it
    NoRemove,     // never removed
    ForceRemove,  // deleted with everything beneath it before it is written, and on removal
};

struct RegistryScriptRow {
    const char* key;        // relative to the root the script is applied to
    KeyRule rule;           // the same on every row of one key
    const char* valueName;  // "" for the default value; null for a key without values
    const char* data;       // a string value
};

class RegistryScript {
public:
    using Replacements = std::map<std::string, std::string>;  // "MODULE" -> "/usr/lib/..."

    RegistryScript(std::span<const RegistryScriptRow> rows, Replacements replacements);

    // Writes every row in order; stops at the first failing registry call
    // and returns its status as an HRESULT.
    HRESULT registerRows(HKEY root) const;

    // Removes the keys of the rows, deepest first, as their rules say. A key
    // that cannot go because something foreign is under it loses only the
    // values the script gave it. Never fails.
    void unregisterRows(HKEY root) const;

    // A text with its placeholders replaced; an unknown one stays as written.
    std::string expand(const char* text) const;

private:
    HRESULT writeRow(HKEY root, const RegistryScriptRow& row, bool clearFirst) const;
    void removeValues(HKEY root, const std::string& key) const;

    std::span<const RegistryScriptRow> rows_;
    Replacements replacements_;
};

// The platform's mapping of a registry error to a status: 0x8007xxxx.
HRESULT hresultFromWin32(LSTATUS status);

}  // namespace pelmora
