#include "ProcessResources.h"

#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <malloc.h>

namespace pelmora::bench {

namespace {

// The number after "Name:" in /proc/self/status, or -1.
long statusField(const char* name) {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return -1;
    char line[256];
    long value = -1;
    const size_t length = std::strlen(name);
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, name, length) == 0 && line[length] == ':') {
            std::sscanf(line + length + 1, "%ld", &value);
            break;
        }
    std::fclose(status);
    return value;
}

int openDescriptors() {
    DIR* folder = opendir("/proc/self/fd");
    if (!folder) return -1;
    int count = 0;
    while (const dirent* entry = readdir(folder))
        if (entry->d_name[0] != '.') ++count;
    closedir(folder);
    return count - 1;  // the descriptor of the listing itself
}

}  // namespace

ProcessResources ProcessResources::now() {
    // The allocator keeps freed memory for reuse and gives pages back only
    // past a threshold that grows with the largest block freed (the engine's
    // desktop-sized buffers take tens of MiB and leave a cycle freed), so
    // which of those pages are resident at a sample is chance: 25 MiB either
    // way between two samples. Handing the free pages back first makes the
    // resident size what the process really holds; what the allocator keeps
    // is reported beside it as heap held.
    malloc_trim(0);
    ProcessResources resources;
    resources.residentKiB = statusField("VmRSS");
    resources.fileDescriptors = openDescriptors();
    resources.threads = static_cast<int>(statusField("Threads"));
    const struct mallinfo2 heap = mallinfo2();
    resources.heapInUseKiB = static_cast<long>((heap.uordblks + heap.hblkhd) / 1024);
    resources.heapHeldKiB = static_cast<long>((heap.arena + heap.hblkhd) / 1024);
    return resources;
}

std::string ProcessResources::describe() const {
    char text[200];
    std::snprintf(text, sizeof text,
                  "resident %ld KiB, %d file descriptors, %d threads, heap in use %ld KiB (held %ld KiB)",
                  residentKiB, fileDescriptors, threads, heapInUseKiB, heapHeldKiB);
    return text;
}

}  // namespace pelmora::bench
