// A bounding-volume hierarchy over axis-aligned boxes in double precision:
// the items' boxes are split at the median of their centres along the widest
// axis until a leaf holds a few items. Queries walk the nodes themselves.
#pragma once

#include <cstdint>
#include <vector>

namespace pelmora {

struct WorldBox {
    double minimum[3];
    double maximum[3];

    static WorldBox empty();
    void add(const WorldBox& other);
    void addPoint(double x, double y, double z);
    // Pushed out on each axis by margin[axis].
    WorldBox grown(const double margin[3]) const;
    double centre(int axis) const { return 0.5 * (minimum[axis] + maximum[axis]); }
};

class BoxTree {
public:
    // A leaf when count > 0 (items order()[first, first + count)); otherwise
    // its children are nodes first and first + 1.
    struct Node {
        WorldBox box;
        uint32_t first = 0;
        uint32_t count = 0;
        bool leaf() const { return count > 0; }
    };

    BoxTree() = default;
    explicit BoxTree(const std::vector<WorldBox>& items);

    bool empty() const { return nodes_.empty(); }
    const Node& root() const { return nodes_.front(); }
    const Node& node(uint32_t index) const { return nodes_[index]; }
    // The item indices, grouped by leaf.
    const std::vector<uint32_t>& order() const { return order_; }

private:
    Node leafOver(const std::vector<WorldBox>& items, uint32_t first, uint32_t count) const;
    void split(const std::vector<WorldBox>& items, uint32_t nodeIndex);

    std::vector<Node> nodes_;
    std::vector<uint32_t> order_;
};

}  // namespace pelmora
