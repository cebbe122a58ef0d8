// The error log, the profiling switch and the failed-call trace. Messages go
// to standard output (unless console messages are off, Console.h) and, when
// logging is on, to "Pelmora.log" in the user's data folder; nothing here
// ever fails loudly.
#pragma once

#include <pelmora/automation.h>

#include <string>

namespace pelmora {

// Decides, once per process, where the log file is written (nowhere when the
// caller's switch says not to keep one), and writes the instance header. Runs
// when the library is loaded.
void startLog(bool keepLogFile);

// Writes an already formatted message verbatim: standard output first (unless
// console messages are off), then the log file when there is one.
void logMessage(const char* text);

// Formats into a 1024-byte buffer (longer text is cut) and writes it with logMessage.
void logFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The log file's full path, or empty while logging to the file is off.
std::string logPath();

// Writes "FAILED HRESULT (0x%x) [%d] in %s @ %d\n" and returns hr.
HRESULT traceFailedHresult(HRESULT hr, const char* sourceFile, int line);

}  // namespace pelmora

// The base name of the current source file, as the log lines name it.
#define PELMORA_SOURCE_FILE __FILE_NAME__

#define PELMORA_TRACE_FAILED(hr) ::pelmora::traceFailedHresult((hr), PELMORA_SOURCE_FILE, __LINE__)

// Evaluates a call once; when it fails, traces it and returns its status.
#define PELMORA_RETURN_IF_FAILED(expr)                   \
    do {                                                 \
        HRESULT pelmoraStatus_ = (expr);                 \
        if (FAILED(pelmoraStatus_))                      \
            return PELMORA_TRACE_FAILED(pelmoraStatus_); \
    } while (0)
