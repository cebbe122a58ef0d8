#include "math/BoxTree.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace pelmora {

namespace {

// Few enough that testing them one by one costs less than another level.
constexpr uint32_t kLeafItems = 2;

}  // namespace

WorldBox WorldBox::empty() {
    constexpr double inf = std::numeric_limits<double>::infinity();
    return WorldBox{{inf, inf, inf}, {-inf, -inf, -inf}};
}

void WorldBox::add(const WorldBox& other) {
    for (int axis = 0; axis < 3; ++axis) {
        minimum[axis] = std::min(minimum[axis], other.minimum[axis]);
        maximum[axis] = std::max(maximum[axis], other.maximum[axis]);
    }
}

void WorldBox::addPoint(double x, double y, double z) { add(WorldBox{{x, y, z}, {x, y, z}}); }

WorldBox WorldBox::grown(const double margin[3]) const {
    WorldBox box = *this;
    for (int axis = 0; axis < 3; ++axis) {
        box.minimum[axis] -= margin[axis];
        box.maximum[axis] += margin[axis];
    }
    return box;
}

BoxTree::BoxTree(const std::vector<WorldBox>& items) {
    if (items.empty()) return;
    order_.resize(items.size());
    std::iota(order_.begin(), order_.end(), 0u);
    nodes_.reserve(2 * items.size());
    nodes_.push_back(leafOver(items, 0, uint32_t(items.size())));
    if (items.size() > kLeafItems) split(items, 0);
}

BoxTree::Node BoxTree::leafOver(const std::vector<WorldBox>& items, uint32_t first, uint32_t count) const {
    Node node;
    node.box = WorldBox::empty();
    for (uint32_t i = first; i < first + count; ++i) node.box.add(items[order_[i]]);
    node.first = first;
    node.count = count;
    return node;
}

void BoxTree::split(const std::vector<WorldBox>& items, uint32_t nodeIndex) {
    const uint32_t first = nodes_[nodeIndex].first, count = nodes_[nodeIndex].count;
    WorldBox centres = WorldBox::empty();
    for (uint32_t i = first; i < first + count; ++i) {
        const WorldBox& box = items[order_[i]];
        centres.addPoint(box.centre(0), box.centre(1), box.centre(2));
    }
    int axis = 0;
    for (int candidate = 1; candidate < 3; ++candidate)
        if (centres.maximum[candidate] - centres.minimum[candidate] > centres.maximum[axis] - centres.minimum[axis])
            axis = candidate;
    const uint32_t half = count / 2;
    const auto begin = order_.begin() + first;
    std::nth_element(begin, begin + half, begin + count, [&](uint32_t a, uint32_t b) {
        return items[a].centre(axis) < items[b].centre(axis);
    });
    // Both children are made before either is split, so they sit side by side.
    const uint32_t left = uint32_t(nodes_.size());
    nodes_.push_back(Node{});
    nodes_.push_back(Node{});
    nodes_[left] = leafOver(items, first, half);
    nodes_[left + 1] = leafOver(items, first + half, count - half);
    nodes_[nodeIndex].first = left;
    nodes_[nodeIndex].count = 0;
    if (half > kLeafItems) split(items, left);
    if (count - half > kLeafItems) split(items, left + 1);
}

}  // namespace pelmora
