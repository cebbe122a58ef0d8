// What the process holds right now, as the kernel reports it: resident
// memory (VmRSS, read after the allocator has handed its free pages back),
// open file descriptors (/proc/self/fd) and threads; and the bytes the C
// library's allocator has handed out and not had back, which tells a leak
// from memory the allocator keeps for reuse (held).
#pragma once

#include <string>

namespace pelmora::bench {

struct ProcessResources {
    long residentKiB = -1;
    int fileDescriptors = -1;
    int threads = -1;
    long heapInUseKiB = -1;
    long heapHeldKiB = -1;  // what the allocator has from the system, in use or not

    static ProcessResources now();
    std::string describe() const;
};

}  // namespace pelmora::bench
