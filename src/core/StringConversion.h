// Conversions between BSTRs (UTF-16) and the engine's narrow strings (UTF-8).
#pragma once

#include <pelmora/automation.h>

#include <string>
#include <string_view>

namespace pelmora {

// Unpaired surrogates become U+FFFD.
std::string narrowFromWide(std::u16string_view text);

// A null BSTR is an empty string.
std::string narrowFromBstr(BSTR text);

// A new BSTR the caller frees; null only when memory runs out.
BSTR bstrFromNarrow(const std::string& text);

}  // namespace pelmora
