// What the library does once when it is loaded. The interface lock needs no
// step here: it is made on first use.
#include "core/Diagnostics.h"
#include "platform/win/DiagnosticSwitches.h"

namespace {

__attribute__((constructor)) void startModule() {
    pelmora::startLog(pelmora::win::readLogErrorsSwitch());
}

}  // namespace
