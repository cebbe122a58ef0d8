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

FormattedMessage formatMessage(const char* format, va_list args) {
    FormattedMessage message;
    std::vsnprintf(message.text, sizeof message.text, format, args);
    return message;
}

void consoleFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const FormattedMessage message = formatMessage(format, args);
    va_end(args);
    writeConsole(message.text);
}

}  // namespace pelmora
