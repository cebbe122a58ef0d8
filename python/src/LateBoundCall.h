// One operation called by name: the arguments become VARIANTs, the out
// parameters VT_BYREF VARIANTs, and the call goes through IDispatch::Invoke
// with the operation's dispatch id, as a script's would.
#pragma once

#include "Operations.h"

#include <pybind11/pybind11.h>

namespace pelmora::python {

// None without out parameters, the value of one, else a tuple of them in
// declaration order. A failing status raises pelmora.Error; a wrong number
// of arguments or a value with no VARIANT form raises TypeError.
pybind11::object callLateBound(IDispatch* target, const Operation& operation,
                               const pybind11::args& arguments);

}  // namespace pelmora::python
