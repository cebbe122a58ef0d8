// The one count that decides whether the module may be unloaded: live
// contexts, class-object references held beyond the module's own, and
// explicit server locks.
#pragma once

#include <pelmora/automation.h>

namespace pelmora {

// Both return the count after the change.
LONG lockModule();
LONG unlockModule();
LONG moduleLockCount();

}  // namespace pelmora
