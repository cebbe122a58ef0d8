#include "host/RegistryScript.h"

#include "core/Diagnostics.h"

#include <cstring>
#include <set>
#include <utility>

namespace pelmora {

namespace {

constexpr HRESULT kWin32Facility = static_cast<HRESULT>(0x80070000u);
constexpr LSTATUS kWin32CodeMask = 0xFFFF;
constexpr char kPlaceholderMark = '%';

// The deepest keys first: the script lists parents before their children.
template <class Visit>
void forEachKeyDeepestFirst(std::span<const RegistryScriptRow> rows, Visit&& visit) {
    std::set<std::string> visited;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        if (visited.insert(row->key).second) visit(*row);
}

}  // namespace

HRESULT hresultFromWin32(LSTATUS status) {
    if (status <= 0) return static_cast<HRESULT>(status);
    return kWin32Facility | (status & kWin32CodeMask);
}

RegistryScript::RegistryScript(std::span<const RegistryScriptRow> rows, Replacements replacements)
    : rows_(rows), replacements_(std::move(replacements)) {}

std::string RegistryScript::expand(const char* text) const {
    std::string out;
    for (const char* at = text; *at;) {
        const char* close =
            *at == kPlaceholderMark ? std::strchr(at + 1, kPlaceholderMark) : nullptr;
        const auto found =
            close ? replacements_.find(std::string(at + 1, close)) : replacements_.end();
        if (found == replacements_.end()) {
            out += *at++;
            continue;
        }
        out += found->second;
        at = close + 1;
    }
    return out;
}

HRESULT RegistryScript::registerRows(HKEY root) const {
    std::set<std::string> cleared;
    for (const RegistryScriptRow& row : rows_) {
        const bool clearFirst = row.rule == KeyRule::ForceRemove && cleared.insert(row.key).second;
        const HRESULT status = writeRow(root, row, clearFirst);
        if (FAILED(status)) return status;
    }
    return S_OK;
}

HRESULT RegistryScript::writeRow(HKEY root, const RegistryScriptRow& row, bool clearFirst) const {
    const std::string key = expand(row.key);
    if (clearFirst) {
        const LSTATUS cleared = RegDeleteTreeA(root, key.c_str());
        if (cleared != ERROR_SUCCESS && cleared != ERROR_FILE_NOT_FOUND)
            return PELMORA_TRACE_FAILED(hresultFromWin32(cleared));
    }
    HKEY opened = nullptr;
    LSTATUS status = RegCreateKeyExA(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_WRITE, nullptr, &opened, nullptr);
    if (status != ERROR_SUCCESS) return PELMORA_TRACE_FAILED(hresultFromWin32(status));
    if (row.valueName) {
        const std::string data = expand(row.data);
        status = RegSetValueExA(opened, row.valueName, 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(data.c_str()),
                                static_cast<DWORD>(data.size() + 1));
    }
    RegCloseKey(opened);
    return status == ERROR_SUCCESS ? S_OK : PELMORA_TRACE_FAILED(hresultFromWin32(status));
}

void RegistryScript::unregisterRows(HKEY root) const {
    forEachKeyDeepestFirst(rows_, [&](const RegistryScriptRow& row) {
        const std::string key = expand(row.key);
        switch (row.rule) {
            case KeyRule::NoRemove:
                return;
            case KeyRule::ForceRemove:
                RegDeleteTreeA(root, key.c_str());
                return;
            case KeyRule::Plain:
                if (RegDeleteKeyA(root, key.c_str()) == ERROR_ACCESS_DENIED)
                    removeValues(root, key);
                return;
        }
    });
}

void RegistryScript::removeValues(HKEY root, const std::string& key) const {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS) return;
    for (const RegistryScriptRow& row : rows_)
        if (row.valueName && expand(row.key) == key) RegDeleteValueA(opened, row.valueName);
    RegCloseKey(opened);
}

}  // namespace pelmora
