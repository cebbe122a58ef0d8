// Values shared by every context in the process, without locking: calls
// arrive on the host's one thread.
#pragma once

#include <string>

namespace pelmora {

struct ProcessState {
    // Set by initialize, read by getCurrentDeviceName.
    std::string currentDeviceName;
    // Read by initialize and getCurrentDeviceName; nothing sets it yet.
    int hardwareNotSupported = 0;
    // Set by suspendMeshRefinements; meshes keep their current geometry while set.
    bool refinementsSuspended = false;
};

ProcessState& processState();

}  // namespace pelmora
