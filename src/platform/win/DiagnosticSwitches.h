// The registry switches that steer diagnostics: whether the log file is
// kept, whether messages also go to standard output, and whether frame
// rates are reported. A switch is on when its value
// starts with T or Y in either case, whatever the value's length or type.
#pragma once

namespace pelmora::win {

// "Log Errors" under the Pelmora key: on when the key is absent, otherwise
// only when the value says so (a key without the value turns it off).
bool readLogErrorsSwitch();

// "Quiet" under the Pelmora key: console messages off; off unless the value
// says so.
bool readQuietSwitch();

// "Enabled" under the profiling key: off unless the value says so.
bool readProfilingSwitch();

}  // namespace pelmora::win
