// Reads the input arrays of one interface call the way every operation reads
// them: bounds and element size of each array in parameter order, then the
// data of each in parameter order; the data is released in reverse order.
// An array counts as all its elements, whatever its dimensions
// (countSafeArrayElements).
#pragma once

#include <pelmora/automation.h>

#include <initializer_list>
#include <vector>

namespace pelmora {

struct ArrayView {
    LONG count = 0;  // elements over all dimensions
    UINT elementSize = 0;
    void* data = nullptr;
};

class ArrayArguments {
public:
    ArrayArguments() = default;
    ArrayArguments(const ArrayArguments&) = delete;
    ArrayArguments& operator=(const ArrayArguments&) = delete;
    ~ArrayArguments();

    // On a failure the call is traced, whatever was accessed is released and
    // the status is returned.
    HRESULT read(std::initializer_list<SAFEARRAY**> arrays);

    const ArrayView& operator[](size_t index) const { return views_[index]; }

    // Releases the data now, in reverse order.
    void release();

private:
    std::vector<SAFEARRAY*> accessed_;
    std::vector<ArrayView> views_;
};

}  // namespace pelmora
