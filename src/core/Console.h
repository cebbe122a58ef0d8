// The console half of the diagnostics: what the library writes to standard
// output. Console messages can be turned off (the registry's "Quiet" switch,
// or $PELMORA_QUIET) for hosts whose standard output belongs to their users;
// the log file keeps every message either way.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace pelmora {

// Messages are formatted into buffers of this size; longer text is cut.
inline constexpr size_t kMessageBufferSize = 1024;

// A message formatted on the stack, for the console and the log alike.
struct FormattedMessage {
    char text[kMessageBufferSize];
};
FormattedMessage formatMessage(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

// The variable that turns console messages off ("1", or a value starting
// with T or Y in either case) or, set to anything else, back on whatever the
// registry says.
inline constexpr const char* kQuietVariable = "PELMORA_QUIET";

// The registry switch, read once when the library is loaded.
void setQuietSwitch(bool quiet);

// Whether console messages are off now. The variable is looked at on every
// message, so a host may set it in main(), after the library was loaded.
bool consoleQuiet();

// Writes text verbatim to standard output, unless console messages are off.
void writeConsole(const char* text);

// Formats into a message buffer and writes it with writeConsole.
void consoleFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace pelmora
