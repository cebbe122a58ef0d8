// pelmora.Window: an offscreen window that viewports present into, its
// picture read back as a numpy array or a PNG.
#pragma once

#include <pybind11/pybind11.h>

namespace pelmora::python {

void bindWindow(pybind11::module_& module);

}  // namespace pelmora::python
