#include "core/Diagnostics.h"

#include "core/Console.h"
#include "core/DataFolder.h"

#include <pelmora/host.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

namespace pelmora {

namespace {

constexpr const char* kLogFolderName = "Torvel Design";
constexpr const char* kLogFileName = "Pelmora.log";
constexpr const char* kInstanceHeader =
    "================================ New Pelmora Instance============================\n";
constexpr size_t kCtimeBufferSize = 32;  // ctime_r needs at least 26
constexpr mode_t kLogFileMode = 0644;

// Plain storage, so the path is usable from any constructor or destructor,
// whatever the order the loader runs them in. Empty while file logging is off.
char gLogPath[4096];

// The last message, for PelmoraGetLastLogMessage; the facet worker logs too,
// hence the lock. Plain storage for the same reason as the path.
char gLastMessage[kMessageBufferSize];
std::atomic<unsigned> gMessageCount{0};
std::mutex& lastMessageLock() {
    static std::mutex* lock = new std::mutex;  // never destroyed: exit handlers may still log
    return *lock;
}

void rememberMessage(const char* text) {
    std::lock_guard<std::mutex> hold(lastMessageLock());
    std::snprintf(gLastMessage, sizeof gLastMessage, "%s", text);
    gMessageCount.fetch_add(1, std::memory_order_release);
}

// Start-up's one word on why there is no log file, on the console only.
void explainNoLogFile(const std::string& what, const std::string& why) {
    consoleFormat("Pelmora: no log file: %s %s\n", what.c_str(), why.c_str());
}

// The per-user data folder's "Torvel Design" (used only if it already
// exists), else the fixed fallback's, which is made when missing and used
// only while it is this user's alone. Empty when there is none to use.
std::string logFolder() {
    const std::string data = userDataFolder();
    if (!data.empty())
        return data + "/" + kLogFolderName + "/";
    const std::string fallback = fallbackDataFolder() + "/" + kLogFolderName;
    std::string why;
    if (!ensurePrivateFolder(fallback, &why)) {
        explainNoLogFile(fallback, why);
        return std::string();
    }
    return fallback + "/";
}

int dayOfMonth(time_t when) {
    struct tm local;
    return localtime_r(&when, &local) ? local.tm_mday : -1;
}

// Opens the log for appending, and only if it is a plain file: no symbolic
// link is followed, and nothing can block the open (a FIFO without a reader
// would hold the host's start-up forever). *info describes the file opened.
// Null with errno set (ENODEV for a file that is not a plain one) otherwise.
FILE* openLog(const char* path, struct stat* info) {
    const int flags = O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    const int fd = open(path, flags, kLogFileMode);
    if (fd < 0)
        return nullptr;
    if (fstat(fd, info) != 0 || !S_ISREG(info->st_mode)) {
        close(fd);
        errno = ENODEV;
        return nullptr;
    }
    FILE* file = fdopen(fd, "a");
    if (!file)
        close(fd);
    return file;
}

// One file a day: a log last written on today's day of the month is
// continued, any other is started afresh.
void startAfreshUnlessToday(FILE* file, const struct stat& info, time_t now) {
    if (info.st_size == 0 || dayOfMonth(info.st_mtime) == dayOfMonth(now))
        return;
    if (ftruncate(fileno(file), 0) != 0)
        return;  // then the old text stays above the new block: nothing is lost
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
    const std::string folder = logFolder();
    if (folder.empty())
        return;
    const std::string path = folder + kLogFileName;
    if (path.size() >= sizeof gLogPath)
        return;
    const time_t now = std::time(nullptr);
    struct stat info;
    FILE* file = openLog(path.c_str(), &info);
    if (!file) {
        // A missing folder is the quiet way to have no log; anything else is worth a word.
        if (errno == ENODEV)
            explainNoLogFile(path, "is not a plain file");
        else if (errno != ENOENT)
            explainNoLogFile(path, std::string("cannot be opened: ") + std::strerror(errno));
        return;
    }
    startAfreshUnlessToday(file, info, now);
    writeInstanceHeader(file, now);
    std::fclose(file);
    std::memcpy(gLogPath, path.c_str(), path.size() + 1);
}

void logMessage(const char* text) {
    if (!text)
        return;
    rememberMessage(text);
    writeConsole(text);
    if (gLogPath[0] == '\0')
        return;
    struct stat info;
    FILE* file = openLog(gLogPath, &info);
    if (!file)
        return;
    std::fputs(text, file);
    std::fclose(file);
}

void logFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const FormattedMessage message = formatMessage(format, args);
    va_end(args);
    logMessage(message.text);
}

std::string logPath() { return std::string(gLogPath); }

HRESULT traceFailedHresult(HRESULT hr, const char* sourceFile, int line) {
    logFormat("FAILED HRESULT (0x%x) [%d] in %s @ %d\n", static_cast<unsigned>(hr),
              static_cast<int>(hr & 0xFFFF), sourceFile, line);
    return hr;
}

}  // namespace pelmora

PELMORA_API void PelmoraLogMessage(const char* text) { pelmora::logMessage(text); }

PELMORA_API unsigned PelmoraGetLastLogMessage(char* buffer, int capacity) {
    if (capacity <= 0 || !buffer)
        return pelmora::gMessageCount.load(std::memory_order_acquire);
    std::lock_guard<std::mutex> hold(pelmora::lastMessageLock());
    std::snprintf(buffer, size_t(capacity), "%s", pelmora::gLastMessage);
    return pelmora::gMessageCount.load(std::memory_order_relaxed);
}
