// The guard every interface operation and scene-object operation runs inside:
// no exception ever crosses the interface; each becomes a log line and a status.
#pragma once

#include <pelmora/automation.h>
#include <pelmora/exception.h>

#include "core/DeferredDestruction.h"
#include "core/Diagnostics.h"

namespace pelmora {

// Acquires and at once releases the process-wide interface lock: it only
// waits for a holder to finish and guards no state.
void passInterfaceGate();

// Logs "Caught SE in Pelmora: ..." and returns the exception's code.
HRESULT reportStructuredException(const TorvelStructuredException& fault, const char* sourceFile,
                                  int line);
// Logs "Unknown exception found in Pelmora: ..." and returns 1.
HRESULT reportUnknownException(const char* sourceFile, int line);

template <class Body>
HRESULT guardedCall(const char* sourceFile, int line, Body&& body) noexcept {
    try {
        return body();
    } catch (const TorvelStructuredException& fault) {
        return reportStructuredException(fault, sourceFile, line);
    } catch (...) {
        return reportUnknownException(sourceFile, line);
    }
}

// Destructions the host asked for from inside its own callbacks are carried
// out when the outermost of these returns.
template <class Body>
HRESULT interfaceCall(const char* sourceFile, int line, Body&& body) noexcept {
    passInterfaceGate();
    DeferredDestruction::InterfaceCall call;
    return guardedCall(sourceFile, line, static_cast<Body&&>(body));
}

}  // namespace pelmora

// Runs a body (a brace block returning HRESULT) under the two handlers.
#define PELMORA_GUARDED(...) \
    ::pelmora::guardedCall(PELMORA_SOURCE_FILE, __LINE__, [&]() -> HRESULT __VA_ARGS__)

// The same, after passing the interface gate: the shape of every operation.
#define PELMORA_INTERFACE_CALL(...) \
    ::pelmora::interfaceCall(PELMORA_SOURCE_FILE, __LINE__, [&]() -> HRESULT __VA_ARGS__)
