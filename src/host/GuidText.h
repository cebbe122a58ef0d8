// GUIDs as the registry spells them: "{5E71A0C1-4C2D-4F19-8B6A-2D9E4F1C7A35}".
#pragma once

#include <pelmora/automation.h>

#include <string>

namespace pelmora {

// Upper-case hexadecimal digits, in braces.
std::string guidText(const GUID& guid);

}  // namespace pelmora
