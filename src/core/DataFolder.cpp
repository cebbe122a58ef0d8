#include "core/DataFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace pelmora {

namespace {

constexpr const char* kFallbackFolder = "/tmp";
constexpr const char* kHomeDataSuffix = "/.local/share";
constexpr mode_t kPrivateFolderMode = 0700;
constexpr mode_t kWritableByOthers = S_IWGRP | S_IWOTH;

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

bool refuse(std::string* why, const std::string& reason) {
    if (why)
        *why = reason;
    return false;
}

}  // namespace

std::string userDataFolder() {
    const std::string folder = dataFolderCandidate();
    return isFolder(folder) ? folder : std::string();
}

std::string fallbackDataFolder() { return kFallbackFolder; }

bool ensurePrivateFolder(const std::string& path, std::string* why) {
    if (mkdir(path.c_str(), kPrivateFolderMode) != 0 && errno != EEXIST)
        return refuse(why, std::string("cannot be made: ") + std::strerror(errno));
    // Judged through the folder itself, opened without following a link,
    // so nothing can be swapped in between the look and the verdict.
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP || errno == ENOTDIR) {
            struct stat link;
            const bool isLink = lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
            return refuse(why, isLink ? "is a symbolic link" : "is not a folder");
        }
        return refuse(why, std::string("cannot be opened: ") + std::strerror(errno));
    }
    struct stat info;
    const bool looked = fstat(fd, &info) == 0;
    close(fd);
    if (!looked)
        return refuse(why, "cannot be examined");
    if (info.st_uid != geteuid())
        return refuse(why, "belongs to another user");
    if (info.st_mode & kWritableByOthers)
        return refuse(why, "is writable by other users");
    return true;
}

}  // namespace pelmora
