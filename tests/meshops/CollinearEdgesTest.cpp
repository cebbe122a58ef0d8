#include "meshops/CollinearEdges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace pelmora {
namespace {

const D3DXVECTOR3 kUp{0, 0, 1}, kSide{0, -1, 0}, kTilted{0, -0.6f, 0.8f};

FacePairEdge edge(D3DXVECTOR3 a, D3DXVECTOR3 b, D3DXVECTOR3 n0 = kUp, D3DXVECTOR3 n1 = kSide) {
    return {a, b, n0, n1};
}

// The edges as (a.x, b.x) spans along x, lower end first, in order.
std::vector<std::pair<float, float>> spans(const std::vector<FacePairEdge>& pairs) {
    std::vector<std::pair<float, float>> result;
    for (const FacePairEdge& e : pairs) result.emplace_back(std::min(e.a.x, e.b.x), std::max(e.a.x, e.b.x));
    std::sort(result.begin(), result.end());
    return result;
}

// A border between a top face and a side wall, split where the faces'
// triangles needed vertices, draws as one line; only what the rasterizer
// would show alike is joined.
TEST(CollinearEdges, JoinsStraightRunsBetweenTheSamePlanesOnly) {
    using Spans = std::vector<std::pair<float, float>>;
    struct Case {
        const char* name;
        std::vector<FacePairEdge> pairs;
        Spans expected;
    };
    const Case cases[] = {
        {"three pieces in any order and direction",
         {edge({2, 0, 0}, {1, 0, 0}), edge({0, 0, 0}, {1, 0, 0}), edge({2, 0, 0}, {3.5f, 0, 0})},
         {{0, 3.5f}}},
        {"normals given the other way round", {edge({0, 0, 0}, {1, 0, 0}), edge({1, 0, 0}, {2, 0, 0}, kSide, kUp)},
         {{0, 2}}},
        {"another plane beside the second piece",
         {edge({0, 0, 0}, {1, 0, 0}), edge({1, 0, 0}, {2, 0, 0}, kUp, kTilted)}, {{0, 1}, {1, 2}}},
        {"a bend", {edge({0, 0, 0}, {1, 0, 0}), edge({1, 0, 0}, {2, 0.01f, 0})}, {{0, 1}, {1, 2}}},
        {"a third edge at the meeting point",
         {edge({0, 0, 0}, {1, 0, 0}), edge({1, 0, 0}, {2, 0, 0}), edge({1, 0, 0}, {1, 0, 1})},
         {{0, 1}, {1, 1}, {1, 2}}},
        {"a gap", {edge({0, 0, 0}, {1, 0, 0}), edge({1.001f, 0, 0}, {2, 0, 0})}, {{0, 1}, {1.001f, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<FacePairEdge> pairs = c.pairs;
        joinCollinearRuns(&pairs);
        EXPECT_EQ(spans(pairs), c.expected);
    }
}

}  // namespace
}  // namespace pelmora
