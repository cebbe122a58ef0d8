// Resolving the handles an operation receives, inside its guarded body.
#pragma once

#include "core/Diagnostics.h"
#include "core/HandleTable.h"

// Declares `Type* name` for the handle, or traces E_HANDLE and returns it when
// the handle is 0, released, or names an object of another kind.
#define PELMORA_RESOLVE(Type, name, handle)                      \
    Type* name = ::pelmora::resolveHandle<Type>(handle);         \
    if (!name) return PELMORA_TRACE_FAILED(E_HANDLE)

// The same for a handle where 0 means none: name is null for 0.
#define PELMORA_RESOLVE_OPTIONAL(Type, name, handle)                      \
    Type* name = nullptr;                                                 \
    if ((handle) != 0) {                                                  \
        name = ::pelmora::resolveHandle<Type>(handle);                    \
        if (!name) return PELMORA_TRACE_FAILED(E_HANDLE);                 \
    }

// Out parameters must point somewhere.
#define PELMORA_REQUIRE_OUT(pointer) \
    if (!(pointer)) return PELMORA_TRACE_FAILED(E_POINTER)
