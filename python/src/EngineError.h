// pelmora.Error: a failing status as a Python exception, carrying the status
// (.status, as the unsigned 32-bit value the headers write) and the line the
// engine logged for it (.log_line, "" when the call logged nothing).
#pragma once

#include <pelmora/automation.h>

#include <pybind11/pybind11.h>

#include <string>

namespace pelmora::python {

// Creates the exception type in the module; once, at import.
void defineEngineError(pybind11::module_& module);

// How many messages the engine has logged so far, to tell after a call
// whether it logged one.
unsigned loggedMessageCount();

// Raises pelmora.Error for a status from `what`, with the engine's last log
// line when one was logged since loggedBefore.
[[noreturn]] void raiseEngineError(HRESULT status, const std::string& what, unsigned loggedBefore);

}  // namespace pelmora::python
