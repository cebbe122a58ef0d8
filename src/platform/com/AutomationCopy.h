// Deep copies of automation values, shared by the string, array and variant
// code: a copy owns its own strings and arrays and holds its own interface
// references, so either side can be freed first.
#pragma once

#include <pelmora/automation.h>

namespace pelmora {

// A new string with the same characters, embedded zeros included; a null
// string copies to null. Null for a non-null source means out of memory.
BSTR copyBstr(BSTR source);

// Fills dest, which holds nothing that needs freeing, with a copy of source.
// By-reference values copy as the reference. On failure dest is VT_EMPTY.
HRESULT copyVariant(VARIANT* dest, const VARIANT* source);

// A new array with the element type, bounds and copied elements of source;
// a null source copies to null.
HRESULT copySafeArray(SAFEARRAY* source, SAFEARRAY** copy);

}  // namespace pelmora
