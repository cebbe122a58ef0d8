// numpy arrays to SAFEARRAYs and back, one block copy in and none out: an
// array the engine hands out becomes the memory of the numpy array, freed
// with it.
#pragma once

#include <pelmora/automation.h>

#include <pybind11/numpy.h>

namespace pelmora::python {

// A new vector of the element type ('F' float, 'N' int, 'R' double) holding
// the values of any array-like, converted as numpy converts them (a 3 x N
// array goes in storage order). Throws TypeError for values numpy cannot convert.
SAFEARRAY* safeArrayFrom(pybind11::handle values, char element);

// Takes the array over: a one-dimensional numpy array over its data for
// float, int and double arrays, a list of str for string arrays, None for null.
pybind11::object objectFromSafeArray(SAFEARRAY* array);

}  // namespace pelmora::python
