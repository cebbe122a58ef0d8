// What the library does once when it is loaded. The interface lock needs no
// step here: it is made on first use.
#include "host/Diagnostics.h"

namespace {

__attribute__((constructor)) void startModule() { pelmora::startLog(); }

}  // namespace
