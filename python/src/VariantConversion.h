// Python values to VARIANT arguments and VARIANT results to Python values.
// Scalars go as the VARIANT type their Python type suggests and Invoke
// converts them to the parameter's type, as it does for any late-bound
// caller; arrays and strings are made here.
#pragma once

#include "Operations.h"

#include <pybind11/pybind11.h>

namespace pelmora::python {

// Fills *out (VariantInit'ed) for an in-parameter; the caller clears it.
// Throws TypeError for a value that has no VARIANT form.
void variantFromObject(pybind11::handle value, const Parameter& parameter, VARIANT* out);

// Takes the value over (the variant is left empty).
pybind11::object objectFromVariant(VARIANT* value);

}  // namespace pelmora::python
