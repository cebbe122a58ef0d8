#include "meshops/SharedNormals.h"

#include <cstring>

namespace pelmora {

namespace {

// Two-byte names reach this many normals.
constexpr size_t kMostShared = 65536;

struct NormalBits {
    uint32_t bits[3];

    explicit NormalBits(const MeshVertex& vertex) { std::memcpy(bits, &vertex.nx, sizeof bits); }
    bool operator==(const NormalBits& other) const { return std::memcmp(bits, other.bits, sizeof bits) == 0; }
    size_t hash() const {
        uint64_t h = bits[0] * 0x9E3779B97F4A7C15ull;
        h ^= (h >> 29) ^ (uint64_t(bits[1]) * 0xC2B2AE3D27D4EB4Full);
        h ^= (h >> 31) ^ (uint64_t(bits[2]) * 0x165667B19E3779F9ull);
        return size_t(h ^ (h >> 32));
    }
};

// Whether `distinct` normals and a name a vertex take less than a normal a vertex.
bool sharingPays(size_t distinct, size_t count) {
    return distinct <= kMostShared && distinct * sizeof(NormalBits) + count * sizeof(uint16_t) < count * sizeof(NormalBits);
}

}  // namespace

void SharedNormals::assign(const MeshVertex* vertices, size_t count) {
    normals_.clear();
    names_.clear();
    if (share(vertices, count)) return;
    normals_.resize(3 * count);
    for (size_t i = 0; i < count; ++i) std::memcpy(&normals_[3 * i], &vertices[i].nx, sizeof(NormalBits));
}

bool SharedNormals::share(const MeshVertex* vertices, size_t count) {
    // An open-addressed table of the distinct normals' numbers, twice the vertices in size.
    constexpr uint32_t kEmpty = UINT32_MAX;
    size_t size = 16;
    while (size < 2 * count) size *= 2;
    std::vector<uint32_t> table(size, kEmpty);
    std::vector<NormalBits> distinct;
    std::vector<uint16_t> names(count);
    for (size_t i = 0; i < count; ++i) {
        const NormalBits normal(vertices[i]);
        size_t slot = normal.hash() & (size - 1);
        while (table[slot] != kEmpty && !(distinct[table[slot]] == normal)) slot = (slot + 1) & (size - 1);
        if (table[slot] == kEmpty) {
            if (!sharingPays(distinct.size() + 1, count)) return false;
            table[slot] = uint32_t(distinct.size());
            distinct.push_back(normal);
        }
        names[i] = uint16_t(table[slot]);
    }
    if (count == 0) return false;
    normals_.resize(3 * distinct.size());
    std::memcpy(normals_.data(), distinct.data(), distinct.size() * sizeof(NormalBits));
    names_ = std::move(names);
    return true;
}

}  // namespace pelmora
