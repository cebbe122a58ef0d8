// How many elements an array holds, as every reader of an array counts them:
// upper - lower + 1 of each dimension, multiplied over all dimensions. The
// data of a multi-dimensional array is one block, so a reader takes it as
// that many elements in storage order; a dimension of none leaves none.
#pragma once

#include <pelmora/automation.h>

namespace pelmora {

// Reads the bounds through the array functions (dimension 1 first, upper
// then lower), so descriptors a host built by hand are counted the same way.
// Counts are taken in 64 bits; bounds that give a negative count, or a total
// a LONG cannot hold, are refused with E_INVALIDARG and a log line. A failing
// bound query returns its own status.
HRESULT countSafeArrayElements(SAFEARRAY* psa, LONG* count);

}  // namespace pelmora
