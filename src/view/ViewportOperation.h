// Shared by the source files the viewport's operations are spread over. The
// log lines name the class, as its messages always have, so this header sets
// the source name; include it last.
#pragma once

#include "core/Diagnostics.h"
#include "core/GuardedCall.h"
#include "view/DXDeviceHost.h"
#include "view/DXViewport.h"

#undef PELMORA_SOURCE_FILE
#define PELMORA_SOURCE_FILE "DXViewport.cpp"

namespace pelmora {

// A viewport whose context is gone, or whose context has no device.
inline constexpr HRESULT kViewportUnusable = E_FAIL;

template <class Body>
HRESULT DXViewport::operation(int line, Body&& body) {
    return interfaceCall(PELMORA_SOURCE_FILE, line, [&]() -> HRESULT {
        if (context_ == nullptr) {
            logFormat("DXViewport: the context of viewport %d is gone\n", handle());
            return traceFailedHresult(kViewportUnusable, PELMORA_SOURCE_FILE, line);
        }
        return body();
    });
}

}  // namespace pelmora

// The shape of every viewport operation: a brace block returning HRESULT.
#define VIEWPORT_OPERATION(...) operation(__LINE__, [&]() -> HRESULT __VA_ARGS__)

// For an operation that found no device to draw with.
#define VIEWPORT_NO_DEVICE() PELMORA_TRACE_FAILED(::pelmora::kViewportUnusable)
