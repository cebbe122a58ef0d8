#include "platform/win/RegistryHive.h"

#include "core/Diagnostics.h"
#include "platform/win/RegistryText.h"

#include <fcntl.h>
#include <sys/stat.h>
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
constexpr const char* kMalformedCopySuffix = ".bad";
constexpr const char* kTemporarySuffix = ".XXXXXX";
constexpr const char* kConfigSubfolder = "/torvel/registry";
constexpr const char* kHomeConfigSubfolder = "/.config/torvel/registry";

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

enum class ReadOutcome { Read, Missing, Failed };

ReadOutcome readWholeFile(const std::string& path, std::string* text) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? ReadOutcome::Missing : ReadOutcome::Failed;
    char buffer[4096];
    ssize_t count;
    while ((count = read(fd, buffer, sizeof buffer)) > 0)
        text->append(buffer, static_cast<size_t>(count));
    close(fd);
    return count == 0 ? ReadOutcome::Read : ReadOutcome::Failed;
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

// Readers see either the old file or the new one, never a partial one.
bool replaceAtomically(const std::string& path, const std::string& text) {
    std::string temporary = path + kTemporarySuffix;
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, text) && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (written && closed && rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    const int error = errno;
    unlink(temporary.c_str());
    errno = error;
    return false;
}

}  // namespace

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

RegistryHive::RegistryHive(std::string name) : name_(std::move(name)) {
    const std::string where = folder();
    if (!where.empty())
        path_ = where + "/" + name_ + kFileExtension;
    load();
}

void RegistryHive::load() {
    if (path_.empty())
        return;
    std::string text;
    const ReadOutcome outcome = readWholeFile(path_, &text);
    if (outcome == ReadOutcome::Failed) {
        unreadable_ = true;
        if (firstReport(path_, "unreadable"))
            logFormat("Registry file %s cannot be read (%s); it is left untouched\n", path_.c_str(),
                      std::strerror(errno));
        return;
    }
    const HiveParseResult parsed = parseHive(text, root_);
    if (parsed.complete)
        return;
    malformed_ = true;
    if (firstReport(path_, text))
        logFormat("Registry file %s is malformed at line %zu; only the lines before it are used\n",
                  path_.c_str(), parsed.firstBadLine);
    text_ = std::move(text);
}

LSTATUS RegistryHive::save() {
    if (path_.empty()) {
        logMessage("Registry: no folder for the registry files (HOME is not set)\n");
        return ERROR_WRITE_FAULT;
    }
    if (unreadable_) {
        logFormat("Registry: not replacing %s, which cannot be read\n", path_.c_str());
        return ERROR_ACCESS_DENIED;
    }
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ignored);
    if (malformed_) {
        const std::string copy = path_ + kMalformedCopySuffix;
        if (replaceAtomically(copy, text_))
            logFormat("Registry: the malformed file was kept as %s\n", copy.c_str());
        malformed_ = false;
        text_.clear();
    }
    if (replaceAtomically(path_, formatHive(root_, name_)))
        return ERROR_SUCCESS;
    logFormat("Registry: cannot write %s (%s)\n", path_.c_str(), std::strerror(errno));
    return ERROR_WRITE_FAULT;
}

}  // namespace pelmora::win
