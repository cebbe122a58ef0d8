#include "FuzzInput.h"

namespace pelmora::fuzz {

uint16_t FuzzInput::u16() {
    const uint16_t low = byte();
    return static_cast<uint16_t>(low | (uint16_t{byte()} << 8));
}

uint32_t FuzzInput::u32() {
    const uint32_t low = u16();
    return low | (uint32_t{u16()} << 16);
}

uint64_t FuzzInput::u64() {
    const uint64_t low = u32();
    return low | (uint64_t{u32()} << 32);
}

size_t FuzzInput::below(size_t count) {
    if (count <= 1) return 0;
    if (count <= 256) return byte() % count;
    return u16() % count;
}

int FuzzInput::between(int low, int high) {
    if (high <= low) return low;
    const int64_t span = int64_t{high} - low + 1;
    const uint64_t raw = span <= 256 ? byte() : span <= 65536 ? u16() : u32();
    return static_cast<int>(low + static_cast<int64_t>(raw % static_cast<uint64_t>(span)));
}

double FuzzInput::grid(double low, double high) { return low + (high - low) * byte() / 255.0; }

}  // namespace pelmora::fuzz
