#include "core/Diagnostics.h"

#include "core/DataFolder.h"

#include <pelmora/host.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace pelmora {

namespace {

constexpr const char* kLogFolderName = "Torvel Design";
constexpr const char* kLogFileName = "Pelmora.log";
constexpr const char* kInstanceHeader =
    "================================ New Pelmora Instance============================\n";
constexpr size_t kMessageBufferSize = 1024;
constexpr size_t kCtimeBufferSize = 32;  // ctime_r needs at least 26
constexpr mode_t kLogFileMode = 0644;

// Plain storage, so the path is usable from any constructor or destructor,
// whatever the order the loader runs them in. Empty while file logging is off.
char gLogPath[4096];

// The per-user data folder's "Torvel Design" (used only if it already
// exists), else the fixed fallback's, which is made when missing.
std::string logFolder() {
    const std::string data = userDataFolder();
    if (!data.empty())
        return data + "/" + kLogFolderName + "/";
    const std::string fallback = fallbackDataFolder() + "/" + kLogFolderName;
    ensureFolder(fallback);
    return fallback + "/";
}

int dayOfMonth(time_t when) {
    struct tm local;
    return localtime_r(&when, &local) ? local.tm_mday : -1;
}

// One file a day: a log last written on today's day of the month is
// continued, any other is started afresh.
bool continuesToday(const std::string& path, time_t now) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && dayOfMonth(info.st_mtime) == dayOfMonth(now);
}

// Opens for appending or from empty, refusing to follow a symbolic link: the
// fallback folder lies in a directory every user can write to.
FILE* openLog(const char* path, bool append) {
    const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
    const int fd = open(path, flags, kLogFileMode);
    if (fd < 0)
        return nullptr;
    FILE* file = fdopen(fd, append ? "a" : "w");
    if (!file)
        close(fd);
    return file;
}

void writeInstanceHeader(FILE* file, time_t now) {
    char text[kCtimeBufferSize] = {};
    ctime_r(&now, text);
    std::fputs(kInstanceHeader, file);
    std::fprintf(file, "Current time: %s\n", text);
}

}  // namespace

void startLog(bool keepLogFile) {
    if (!keepLogFile)
        return;
    const std::string path = logFolder() + kLogFileName;
    if (path.size() >= sizeof gLogPath)
        return;
    const time_t now = std::time(nullptr);
    FILE* file = openLog(path.c_str(), continuesToday(path, now));
    if (!file)
        return;
    writeInstanceHeader(file, now);
    std::fclose(file);
    std::memcpy(gLogPath, path.c_str(), path.size() + 1);
}

void logMessage(const char* text) {
    if (!text)
        return;
    std::fputs(text, stdout);
    std::fflush(stdout);
    if (gLogPath[0] == '\0')
        return;
    FILE* file = openLog(gLogPath, true);
    if (!file)
        return;
    std::fputs(text, file);
    std::fclose(file);
}

void logFormat(const char* format, ...) {
    char buffer[kMessageBufferSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    logMessage(buffer);
}

std::string logPath() { return std::string(gLogPath); }

HRESULT traceFailedHresult(HRESULT hr, const char* sourceFile, int line) {
    logFormat("FAILED HRESULT (0x%x) [%d] in %s @ %d\n", static_cast<unsigned>(hr),
              static_cast<int>(hr & 0xFFFF), sourceFile, line);
    return hr;
}

}  // namespace pelmora

PELMORA_API void PelmoraLogMessage(const char* text) { pelmora::logMessage(text); }
