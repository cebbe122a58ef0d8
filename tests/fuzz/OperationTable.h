// The 86 IDXContext operations as the fuzzer calls them: each with the roles
// of its parameters, a direct (virtual) call and a call through
// IDispatch::Invoke, both with arguments made from the input.
#pragma once

#include <pelmora/pelmora.h>

namespace pelmora::fuzz {

class FuzzSession;

struct Operation {
    const char* name;
    const char* roles;  // one letter a parameter, see CallArguments.h
    HRESULT (*direct)(FuzzSession& session, IDXContext* context, const Operation& operation,
                      bool hostile);
    HRESULT (*invoke)(FuzzSession& session, IDXContext* context, const Operation& operation,
                      bool hostile);
    DISPID dispid;
};

// In slot order; kDXContextOperationCount entries.
const Operation& operationAt(int slot);

// How often each operation was called and succeeded, per path, over the
// whole process.
struct OperationCounts {
    unsigned calls[kDXContextOperationCount][2];
    unsigned successes[kDXContextOperationCount][2];
};
OperationCounts& operationCounts();

}  // namespace pelmora::fuzz
