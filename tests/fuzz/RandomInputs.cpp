#include "RandomInputs.h"

#include <random>

namespace pelmora::fuzz {

std::vector<uint8_t> randomInput(uint64_t seed, uint64_t index, size_t maxLength) {
    std::mt19937_64 generator(seed * 0x9E3779B97F4A7C15ull + index);
    const size_t lowest = maxLength < 16 ? maxLength : 16;
    const size_t length = lowest + generator() % (maxLength - lowest + 1);
    std::vector<uint8_t> bytes(length);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(generator());
    return bytes;
}

}  // namespace pelmora::fuzz
