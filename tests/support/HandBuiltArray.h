// A one-dimensional array descriptor a host builds itself, on its own
// storage, with any bounds at all: the way to hand the engine bounds that
// SafeArrayCreate refuses to make.
#pragma once

#include <pelmora/automation.h>

#include <array>
#include <cstdint>

namespace pelmora::test {

struct HandBuiltArray {
    SAFEARRAY descriptor{};
    std::array<int32_t, 8> data{};
    SAFEARRAY* pointer = &descriptor;

    HandBuiltArray(LONG lowerBound, ULONG count) {
        descriptor.cDims = 1;
        descriptor.fFeatures = FADF_STATIC;
        descriptor.cbElements = sizeof(int32_t);
        descriptor.pvData = data.data();
        descriptor.rgsabound[0] = {count, lowerBound};
    }
    HandBuiltArray(const HandBuiltArray&) = delete;
    HandBuiltArray& operator=(const HandBuiltArray&) = delete;

    // As the interface takes an array.
    SAFEARRAY** operator&() { return &pointer; }
};

}  // namespace pelmora::test
