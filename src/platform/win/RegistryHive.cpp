#include "platform/win/RegistryHive.h"

#include "core/Diagnostics.h"
#include "platform/win/RegistryText.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>

namespace pelmora::win {

namespace {

constexpr const char* kFileExtension = ".reg";
constexpr const char* kLockSuffix = ".lock";
constexpr const char* kMalformedCopySuffix = ".bad";
constexpr const char* kTemporarySuffix = ".XXXXXX";
constexpr const char* kConfigSubfolder = "/torvel/registry";
constexpr const char* kHomeConfigSubfolder = "/.config/torvel/registry";
constexpr mode_t kLockFileMode = 0600;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// Each distinct problem with a file is logged once, not at every read.
bool firstReport(const std::string& path, const std::string& problem) {
    static std::mutex mutex;
    static std::map<std::string, size_t> reported;
    const size_t signature = std::hash<std::string>()(problem);
    std::lock_guard<std::mutex> lock(mutex);
    auto [it, inserted] = reported.emplace(path, signature);
    if (inserted)
        return true;
    if (it->second == signature)
        return false;
    it->second = signature;
    return true;
}

bool readAll(int fd, std::string* text) {
    char buffer[65536];
    while (true) {
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return false;
        if (count == 0)
            return true;
        text->append(buffer, static_cast<size_t>(count));
    }
}

bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t count = write(fd, text.data() + done, text.size() - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        done += static_cast<size_t>(count);
    }
    return true;
}

// The rename itself reaches the disk only with its folder.
void syncFolderOf(const std::string& path) {
    const int fd = open(std::filesystem::path(path).parent_path().c_str(),
                        O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

// Readers see either the old file or the new one, never a partial one. The
// new file stays open (its descriptor returned), or -1 with errno set.
int replaceAtomically(const std::string& path, const std::string& text) {
    std::string temporary = path + kTemporarySuffix;
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (writeAll(fd, text) && fsync(fd) == 0 && rename(temporary.c_str(), path.c_str()) == 0) {
        syncFolderOf(path);
        return fd;
    }
    const int error = errno;
    close(fd);
    unlink(temporary.c_str());
    errno = error;
    return -1;
}

bool sameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

// ---- Stamp ----

RegistryHive::Stamp RegistryHive::Stamp::of(const struct stat& info) {
    return Stamp{info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
}

bool RegistryHive::Stamp::operator==(const Stamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           sameTime(modified, other.modified) && sameTime(changed, other.changed);
}

// ---- Reading ----

std::string RegistryHive::folder() {
    const std::string explicitFolder = environment("PELMORA_REGISTRY_DIR");
    if (!explicitFolder.empty())
        return explicitFolder;
    const std::string config = environment("XDG_CONFIG_HOME");
    if (!config.empty() && config.front() == '/')
        return config + kConfigSubfolder;
    const std::string home = environment("HOME");
    return home.empty() ? std::string() : home + kHomeConfigSubfolder;
}

RegistryHive::RegistryHive(std::string name)
    : name_(std::move(name)), root_(std::make_unique<RegistryKey>()) {}

RegistryHive::~RegistryHive() { forget(); }

void RegistryHive::forget() {
    if (held_ >= 0)
        close(held_);
    held_ = -1;
    known_ = Known::Nothing;
}

void RegistryHive::refresh() {
    const std::string where = folder();
    const std::string path = where.empty() ? std::string() : where + "/" + name_ + kFileExtension;
    if (path != path_) {
        path_ = path;
        forget();
    }
    if (path_.empty()) {
        if (known_ != Known::Missing)
            markMissing();
        return;
    }
    struct stat info;
    if (stat(path_.c_str(), &info) != 0) {
        if (errno != ENOENT)
            markUnreadable(std::strerror(errno));
        else if (known_ != Known::Missing)
            markMissing();
        return;
    }
    if (known_ == Known::File && stamp_ == Stamp::of(info))
        return;
    load();
}

void RegistryHive::replaceTree(std::unique_ptr<RegistryKey> root) {
    root_ = std::move(root);
    unreadable_ = false;
    malformed_ = false;
    text_.clear();
}

void RegistryHive::markMissing() {
    forget();
    replaceTree(std::make_unique<RegistryKey>());
    known_ = Known::Missing;
}

// Read as empty and never replaced; tried again at the next call.
void RegistryHive::markUnreadable(const char* why) {
    forget();
    replaceTree(std::make_unique<RegistryKey>());
    unreadable_ = true;
    if (firstReport(path_, "unreadable"))
        logFormat("Registry file %s cannot be read (%s); it is left untouched\n", path_.c_str(),
                  why);
}

void RegistryHive::holdFile(int fd, const struct stat& info) {
    forget();
    held_ = fd;
    stamp_ = Stamp::of(info);
    known_ = Known::File;
}

void RegistryHive::load() {
    // Without blocking: a FIFO in the hive's place must not hang the caller.
    const int fd = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            markMissing();
        else
            markUnreadable(std::strerror(errno));
        return;
    }
    struct stat info;
    std::string text;
    const char* problem = nullptr;
    if (fstat(fd, &info) != 0)
        problem = std::strerror(errno);
    else if (!S_ISREG(info.st_mode))
        problem = "not a plain file";
    else if (!readAll(fd, &text))
        problem = std::strerror(errno);
    if (problem) {
        close(fd);
        markUnreadable(problem);
        return;
    }
    ++reads_;
    auto root = std::make_unique<RegistryKey>();
    const HiveParseResult parsed = parseHive(text, *root);
    replaceTree(std::move(root));
    holdFile(fd, info);
    if (parsed.complete)
        return;
    malformed_ = true;
    if (firstReport(path_, text))
        logFormat("Registry file %s is malformed at line %zu; only the lines before it are used\n",
                  path_.c_str(), parsed.firstBadLine);
    text_ = std::move(text);
}

// ---- Writing ----

RegistryHive::Update::Update(RegistryHive& hive) : hive_(hive) {
    hive_.refresh();  // learns where the file is
    if (hive_.path_.empty()) {
        logMessage("Registry: no folder for the registry files (HOME is not set)\n");
        status_ = ERROR_WRITE_FAULT;
        return;
    }
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(hive_.path_).parent_path(), ignored);
    const std::string lockPath = hive_.path_ + kLockSuffix;
    lock_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, kLockFileMode);
    int locked = -1;
    while (lock_ >= 0 && (locked = flock(lock_, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked != 0) {
        logFormat("Registry: cannot lock %s (%s)\n", lockPath.c_str(), std::strerror(errno));
        status_ = ERROR_WRITE_FAULT;
        return;
    }
    // Under the lock the file is what the last writer left: start from it.
    hive_.refresh();
}

RegistryHive::Update::~Update() {
    if (lock_ >= 0)
        close(lock_);  // and with it the lock
}

LSTATUS RegistryHive::Update::commit() {
    if (status_ != ERROR_SUCCESS)
        return status_;
    return hive_.save();
}

LSTATUS RegistryHive::save() {
    if (unreadable_) {
        logFormat("Registry: not replacing %s, which cannot be read\n", path_.c_str());
        forget();
        return ERROR_ACCESS_DENIED;
    }
    if (malformed_) {
        const std::string copy = path_ + kMalformedCopySuffix;
        const int fd = replaceAtomically(copy, text_);
        if (fd >= 0) {
            close(fd);
            logFormat("Registry: the malformed file was kept as %s\n", copy.c_str());
        }
    }
    const int fd = replaceAtomically(path_, formatHive(*root_, name_));
    struct stat info;
    if (fd >= 0 && fstat(fd, &info) == 0) {
        malformed_ = false;
        text_.clear();
        holdFile(fd, info);
        return ERROR_SUCCESS;
    }
    logFormat("Registry: cannot write %s (%s)\n", path_.c_str(), std::strerror(errno));
    if (fd >= 0)
        close(fd);
    forget();  // what was changed in memory goes; the next call reads the file
    return ERROR_WRITE_FAULT;
}

}  // namespace pelmora::win
