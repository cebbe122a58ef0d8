// Picks a small seed corpus out of pseudo-random inputs: each candidate runs
// in a child process of its own (so one that crashes is simply left out),
// reports which operations it made succeed on which path and which host
// actions it took, and is kept when it adds to what the kept ones (and the
// inputs already in the folder) reach.
#pragma once

#include <cstdint>
#include <string>

namespace pelmora::fuzz {

struct CorpusPlan {
    std::string folder;
    uint64_t seed = 1;
    uint64_t candidates = 2000;
    size_t maxLength = 400;
};

// The number of inputs written, or -1 when the folder cannot be written.
int makeCorpus(const CorpusPlan& plan);

}  // namespace pelmora::fuzz
