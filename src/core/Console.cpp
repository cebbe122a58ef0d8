#include "core/Console.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace pelmora {

namespace {

std::atomic<bool> gQuietFromRegistry{false};

bool isAffirmative(char first) {
    return first == '1' || first == 'T' || first == 't' || first == 'Y' || first == 'y';
}

}  // namespace

void setQuietSwitch(bool quiet) { gQuietFromRegistry.store(quiet); }

bool consoleQuiet() {
    // An empty variable counts as unset: the registry decides.
    const char* variable = std::getenv(kQuietVariable);
    if (variable && *variable) return isAffirmative(*variable);
    return gQuietFromRegistry.load();
}

void writeConsole(const char* text) {
    if (!text || consoleQuiet()) return;
    std::fputs(text, stdout);
    std::fflush(stdout);
}

void consoleFormat(const char* format, ...) {
    char buffer[kMessageBufferSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    writeConsole(buffer);
}

}  // namespace pelmora
