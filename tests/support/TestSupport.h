// Helpers shared by the test programs.
#pragma once

#include <cstdint>
#include <string>

namespace pelmora::test {

// A fresh empty directory under the system temporary folder, removed by the caller.
std::string makeTempDir(const std::string& prefix);

// Removes a directory tree; ignores errors.
void removeTree(const std::string& path);

// Reads a whole file; empty when it cannot be read.
std::string readFile(const std::string& path);

// Points the registry calls of this process at a folder while it lives: the
// given one, or a fresh one of its own that goes with it.
class ScopedRegistry {
public:
    explicit ScopedRegistry(const std::string& folder = "");
    ~ScopedRegistry();
    ScopedRegistry(const ScopedRegistry&) = delete;
    ScopedRegistry& operator=(const ScopedRegistry&) = delete;
    const std::string& folder() const { return folder_; }

private:
    std::string folder_, previous_;
    bool owned_;
};

// Stores a value under HKEY_CURRENT_USER, making its key; a string's size
// counts its terminating zero. False when either fails.
bool storeUserValue(const char* keyPath, const char* name, uint32_t type, const void* data, uint32_t size);
bool storeUserString(const char* keyPath, const char* name, const std::string& text);

constexpr const char* kPelmoraKey = "Software\\Torvel, Inc.\\Torvel Design\\Pelmora";

}  // namespace pelmora::test
