#include "support/TestSupport.h"

#include <pelmora/host.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace pelmora::test {

std::string makeTempDir(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    char* made = mkdtemp(pattern.data());
    return made ? std::string(made) : std::string();
}

void removeTree(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

ScopedRegistry::ScopedRegistry(const std::string& folder)
    : folder_(folder.empty() ? makeTempDir("pelmora-registry-") : folder), owned_(folder.empty()) {
    const char* previous = std::getenv("PELMORA_REGISTRY_DIR");
    previous_ = previous ? previous : "";
    setenv("PELMORA_REGISTRY_DIR", folder_.c_str(), 1);
}

ScopedRegistry::~ScopedRegistry() {
    setenv("PELMORA_REGISTRY_DIR", previous_.c_str(), 1);
    if (owned_) removeTree(folder_);
}

bool storeUserValue(const char* keyPath, const char* name, uint32_t type, const void* data, uint32_t size) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    const bool stored = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return stored;
}

bool storeUserString(const char* keyPath, const char* name, const std::string& text) {
    return storeUserValue(keyPath, name, REG_SZ, text.c_str(), uint32_t(text.size() + 1));
}

}  // namespace pelmora::test
