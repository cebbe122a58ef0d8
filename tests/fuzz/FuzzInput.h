// The fuzzer's input as a stream of decisions. Every read takes the next
// bytes; once the bytes run out every read answers 0, which always means the
// plainest choice, so a short input is still a complete run.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pelmora::fuzz {

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool exhausted() const { return position_ >= size_; }
    size_t consumed() const { return position_; }

    uint8_t byte() { return exhausted() ? 0 : data_[position_++]; }
    uint16_t u16();
    uint32_t u32();
    uint64_t u64();

    // A choice in [0, count): one byte for up to 256 choices, two beyond.
    size_t below(size_t count);
    // True with a probability of numerator / 256, never once exhausted (a
    // byte of 0 is the plain choice).
    bool rare(int numerator) { return byte() > 255 - numerator; }
    // A value in [low, high], both ends included.
    int between(int low, int high);
    // A float in [low, high] on a grid of 256 steps.
    double grid(double low, double high);

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

}  // namespace pelmora::fuzz
