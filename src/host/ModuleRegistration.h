// What makes DXContext findable: the class's registry script, applied under
// HKEY_CLASSES_ROOT, and the type library.
#pragma once

#include <pelmora/automation.h>

#include <string>

namespace pelmora {

// Writes the script's keys, naming modulePath as the in-process server,
// then registers the type library. Returns the first failing status.
HRESULT registerModule(const std::string& modulePath);

// Removes the script's keys; the CLSID key itself and the type library stay.
void unregisterModule();

}  // namespace pelmora
