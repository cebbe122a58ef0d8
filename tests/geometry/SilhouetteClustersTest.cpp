// Which runs of face-pair edges a frame draws: those whose normals can turn
// edge-on to the eye, in orthographic and perspective views.
#include "geometry/SilhouetteClusters.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pelmora {
namespace {

using Runs = std::vector<std::pair<uint32_t, uint32_t>>;

// Two edges at `at` whose faces lean a little either way from `normal`.
void addPair(std::vector<FacePairEdge>& pairs, D3DXVECTOR3 at, D3DXVECTOR3 normal, D3DXVECTOR3 lean) {
    const float s = 0.05f, c = std::sqrt(1 - s * s);
    const D3DXVECTOR3 n0(c * normal.x + s * lean.x, c * normal.y + s * lean.y, c * normal.z + s * lean.z);
    const D3DXVECTOR3 n1(c * normal.x - s * lean.x, c * normal.y - s * lean.y, c * normal.z - s * lean.z);
    const D3DXVECTOR3 b(at.x + 0.1f, at.y, at.z);
    pairs.push_back({at, b, n0, n1});
    pairs.push_back({at, b, n1, n0});
}

Runs runsOf(const std::vector<FacePairEdge>& pairs, const D3DXMATRIX& worldView, bool perspective,
           uint32_t mergeGap = 0) {
    Runs runs;
    silhouetteRuns(clusterFacePairs(pairs, 2), worldView, perspective, mergeGap, &runs);
    return runs;
}

TEST(SilhouetteClusters, OnlyRunsThatCanTurnEdgeOnAreDrawnAndNeighboursMerge) {
    std::vector<FacePairEdge> pairs;
    addPair(pairs, {0, 0, 0}, {0, 0, 1}, {0, 1, 0});  // facing the eye along z
    addPair(pairs, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});  // edge-on to it
    addPair(pairs, {0, 0, 0}, {0, 1, 0}, {1, 0, 0});  // edge-on too
    addPair(pairs, {0, 0, 0}, {0, 0, -1}, {0, 1, 0}); // facing away
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_EQ(runsOf(pairs, identity, false), (Runs{{2, 4}}));
    // Looking along x instead: the first and the last lie edge-on, and the third.
    D3DXMATRIX turned;
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMatrixRotationAxis(&turned, &up, 3.14159265f / 2);
    EXPECT_EQ(runsOf(pairs, turned, false), (Runs{{0, 2}, {4, 4}}));
    // Runs a culled cluster apart merge when the gap allows it.
    EXPECT_EQ(runsOf(pairs, turned, false, 2), (Runs{{0, 8}}));
    EXPECT_EQ(runsOf(pairs, turned, false, 1), (Runs{{0, 2}, {4, 4}}));
}

TEST(SilhouetteClusters, InPerspectiveTheDirectionToEachRunCounts) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    struct Case {
        const char* name;
        D3DXVECTOR3 at;
        bool drawn;
    };
    for (const Case& c : {Case{"straight ahead, facing the eye", {0, 0, 10}, false},
                          Case{"far to the side: seen edge on", {10, 0, 0.2f}, true},
                          Case{"around the eye", {0, 0, 0}, true}}) {
        SCOPED_TRACE(c.name);
        std::vector<FacePairEdge> pairs;
        addPair(pairs, c.at, {0, 0, -1}, {0, 1, 0});
        EXPECT_EQ(!runsOf(pairs, identity, true).empty(), c.drawn);
    }
}

}  // namespace
}  // namespace pelmora
