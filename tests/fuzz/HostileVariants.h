// VARIANT arguments of the wrong kind for IDispatch::Invoke: other numeric
// types, numeric and non-numeric strings, by-reference forms (null ones
// too), nested variants, interfaces, arrays and types that do not exist.
#pragma once

#include <pelmora/automation.h>

namespace pelmora::fuzz {

class CallFrame;

// Fills v with a hostile stand-in for an argument whose plain value is
// number. What it allocates is freed when the call is over.
void hostileVariant(CallFrame& frame, VARIANT& v, double number);

// The value clamped into the 32-bit range (NaN as 0), without the undefined
// conversion a plain cast would be.
int saturatedInt(double number);

}  // namespace pelmora::fuzz
