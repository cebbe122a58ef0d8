// The conveniences of helpers.h a script wants for a picture: fit a box,
// turn to a standard view, light the scene.
#pragma once

#include <pybind11/pybind11.h>

namespace pelmora::python {

void bindViewHelpers(pybind11::module_& module);

}  // namespace pelmora::python
