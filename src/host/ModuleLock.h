// The counts that decide whether the module may be unloaded: objects (live
// contexts, class-object references held beyond the module's own) and
// explicit server locks. They are kept apart so that a host's unbalanced
// LockServer(FALSE) cannot take away an object's hold; neither goes below 0.
#pragma once

#include <pelmora/automation.h>

namespace pelmora {

// Each returns the count it changed, after the change.
LONG lockModule();
LONG unlockModule();
LONG lockServer();
// An unlock with no lock to undo changes nothing, logs, and returns -1.
LONG unlockServer();

// Objects and server locks together: 0 when the module may be unloaded.
LONG moduleLockCount();

}  // namespace pelmora
