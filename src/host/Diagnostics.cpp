// Placeholder until the log file lands: messages reach standard output only.
#include "host/Diagnostics.h"

#include <cstdarg>
#include <cstdio>

namespace pelmora {

void startLog() {}

void logMessage(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

void logFormat(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    logMessage(buffer);
}

std::string logPath() { return std::string(); }

bool readProfilingSwitch() { return false; }

HRESULT traceFailedHresult(HRESULT hr, const char* sourceFile, int line) {
    logFormat("FAILED HRESULT (0x%x) [%d] in %s @ %d\n", static_cast<unsigned>(hr),
              static_cast<int>(hr & 0xFFFF), sourceFile, line);
    return hr;
}

}  // namespace pelmora
