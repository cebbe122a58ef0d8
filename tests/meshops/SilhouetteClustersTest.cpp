// Which runs of face-pair edges a frame draws: those whose normals can turn
// edge-on to the eye, in orthographic and perspective views.
#include "meshops/SilhouetteClusters.h"

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
    silhouetteRuns(clusterFacePairs(pairs, 2), silhouetteLook(worldView, perspective), mergeGap, &runs);
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

TEST(SilhouetteClusters, RunsNeverCrossTheBoundaryBetweenSharpAndSmoothPairs) {
    std::vector<FacePairEdge> pairs;
    for (int i = 0; i < 5; ++i) addPair(pairs, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    // Ten pairs in runs of four with the boundary after three: 3, 4, 3.
    std::vector<std::pair<uint32_t, uint32_t>> spans;
    for (const EdgeCluster& cluster : clusterFacePairs(pairs, 4, 3)) spans.emplace_back(cluster.first, cluster.count);
    EXPECT_EQ(spans, (Runs{{0, 3}, {3, 4}, {7, 3}}));
}

// The test the device's vertex stage makes, at the edge's midpoint: one face
// towards the eye, the other away (or edge-on).
TEST(SilhouetteClusters, AnEdgeIsASilhouetteWhereItsFacesTurnToAndFromTheEye) {
    D3DXMATRIX identity, turned, far, near;
    D3DXMatrixIdentity(&identity);
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMatrixRotationAxis(&turned, &up, 3.14159265f / 2);  // the mesh's x turned to the camera's -z
    D3DXMatrixTranslation(&far, 0, 0, 10);                   // the eye at the mesh's (0, 0, -10)
    D3DXMatrixTranslation(&near, 0, 0, 2);                   // and at (0, 0, -2)
    // An edge along y at x = 1, z = 0 between faces leaning 10 degrees either way from +x.
    const float s = std::sin(0.1745f), c = std::cos(0.1745f);
    const FacePairEdge side{{1, -1, 0}, {1, 1, 0}, {c, 0, s}, {c, 0, -s}};
    // An edge at z = 1 between faces leaning either way from +z, the way the camera looks.
    const FacePairEdge back{{0, -1, 1}, {0, 1, 1}, {s, 0, c}, {-s, 0, c}};
    struct Case {
        const char* name;
        const FacePairEdge& edge;
        const D3DXMATRIX& worldView;
        bool perspective;
        bool silhouette;
    };
    const Case cases[] = {
        {"side edge, orthographic along z", side, identity, false, true},
        {"back edge, orthographic along z", back, identity, false, false},
        {"side edge, looked at along x", side, turned, false, false},
        {"back edge, looked at along x", back, turned, false, true},
        // The ray to the side edge leans 6 degrees from z: one face turns towards the eye.
        {"side edge, perspective from ten units", side, far, true, true},
        // It leans 27 degrees: both faces turn away.
        {"side edge, perspective from two units", side, near, true, false},
        {"back edge, perspective from two units", back, near, true, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(isSilhouette(k.edge, silhouetteLook(k.worldView, k.perspective)), k.silhouette);
    }
}

}  // namespace
}  // namespace pelmora
