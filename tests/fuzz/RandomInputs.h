// Inputs for the plain driver: pseudo-random byte strings, each one a pure
// function of the seed and its index, so any of them can be made again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmora::fuzz {

std::vector<uint8_t> randomInput(uint64_t seed, uint64_t index, size_t maxLength);

}  // namespace pelmora::fuzz
