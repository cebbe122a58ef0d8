// A solid's triangles as bare index triples: two bytes an index while every
// index fits in them, four from the first that does not.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmora {

class TriangleIndices {
public:
    // Indices below this fit the narrow form.
    static constexpr uint32_t kNarrowLimit = 65536;

    // Room for `expected` triangles, given back by finish().
    void reserve(size_t expected);
    void add(uint32_t a, uint32_t b, uint32_t c);
    // Gives back the room the list did not use.
    void finish();

    size_t size() const { return (wide_ ? wideIndices_.size() : narrowIndices_.size()) / 3; }
    bool empty() const { return size() == 0; }
    bool wide() const { return wide_; }
    std::array<uint32_t, 3> operator[](size_t triangle) const {
        const size_t at = 3 * triangle;
        if (wide_) return {wideIndices_[at], wideIndices_[at + 1], wideIndices_[at + 2]};
        return {narrowIndices_[at], narrowIndices_[at + 1], narrowIndices_[at + 2]};
    }
    void set(size_t triangle, int corner, uint32_t index);

    // Calls use with the whole index array, three a triangle, in the form kept.
    template <class Use>
    void visit(Use&& use) const {
        if (wide_)
            use(wideIndices_.data(), wideIndices_.size());
        else
            use(narrowIndices_.data(), narrowIndices_.size());
    }

private:
    void widen();

    std::vector<uint16_t> narrowIndices_;
    std::vector<uint32_t> wideIndices_;
    bool wide_ = false;
};

}  // namespace pelmora
