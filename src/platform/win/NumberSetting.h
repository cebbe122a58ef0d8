// A number under the Pelmora registry key, stored as a DWORD or as a string
// that is wholly a number, the way a user or an installer may write it.
#pragma once

namespace pelmora::win {

enum class NumberSetting { Absent, Read, NotANumber };

// Absent when the key or the value is missing; NotANumber for any other
// type or text. *value is set only when Read.
NumberSetting readNumberSetting(const char* valueName, double* value);

}  // namespace pelmora::win
