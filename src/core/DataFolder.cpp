#include "core/DataFolder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace pelmora {

namespace {

constexpr const char* kFallbackFolder = "/tmp";
constexpr const char* kHomeDataSuffix = "/.local/share";
constexpr mode_t kPrivateFolderMode = 0700;

bool isFolder(const std::string& path) {
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// A relative XDG_DATA_HOME is invalid and ignored, as the base-directory rules say.
std::string dataFolderCandidate() {
    const std::string xdg = environment("XDG_DATA_HOME");
    if (!xdg.empty() && xdg.front() == '/')
        return xdg;
    const std::string home = environment("HOME");
    if (home.empty())
        return std::string();
    return home + kHomeDataSuffix;
}

}  // namespace

std::string userDataFolder() {
    const std::string folder = dataFolderCandidate();
    return isFolder(folder) ? folder : std::string();
}

std::string fallbackDataFolder() { return kFallbackFolder; }

bool ensureFolder(const std::string& path) {
    if (isFolder(path))
        return true;
    return mkdir(path.c_str(), kPrivateFolderMode) == 0 || (errno == EEXIST && isFolder(path));
}

}  // namespace pelmora
