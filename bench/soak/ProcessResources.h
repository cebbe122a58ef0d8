// What the process holds right now, as the kernel reports it: resident
// memory (VmRSS), open file descriptors (/proc/self/fd) and threads.
#pragma once

#include <string>

namespace pelmora::bench {

struct ProcessResources {
    long residentKiB = -1;
    int fileDescriptors = -1;
    int threads = -1;

    static ProcessResources now();
    std::string describe() const;
};

}  // namespace pelmora::bench
