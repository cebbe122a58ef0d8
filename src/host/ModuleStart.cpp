// What the library does once when it is loaded. The interface lock needs no
// step here: it is made on first use.
#include "core/Console.h"
#include "core/Diagnostics.h"
#include "platform/win/DiagnosticSwitches.h"

namespace {

__attribute__((constructor)) void startModule() {
    pelmora::setQuietSwitch(pelmora::win::readQuietSwitch());
    pelmora::startLog(pelmora::win::readLogErrorsSwitch());
}

}  // namespace
