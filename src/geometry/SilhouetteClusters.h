// Runs of face-pair edges with the cone their faces' normals span and a
// sphere around them. Each frame, a run whose cone cannot turn edge-on to
// the eye holds no silhouette and is not drawn: the work per frame is one
// test a run, and the vertex stage sees only the runs near the outline.
#pragma once

#include "geometry/FeatureEdges.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace pelmora {

struct EdgeCluster {
    uint32_t first = 0;  // the first face-pair edge
    uint32_t count = 0;
    D3DXVECTOR3 axis{0, 0, 0};
    float coneAngle = 0;  // radians from the axis to the furthest normal
    D3DXVECTOR3 centre{0, 0, 0};
    float radius = 0;
};

// Consecutive face pairs, `perCluster` a run (the last may hold fewer).
std::vector<EdgeCluster> clusterFacePairs(const std::vector<FacePairEdge>& pairs, uint32_t perCluster);

// The runs of clusters that may hold a silhouette seen through worldView
// (the mesh's space to the camera's), as (first edge, edge count); runs at
// most `mergeGap` edges apart are merged into one.
void silhouetteRuns(const std::vector<EdgeCluster>& clusters, const D3DXMATRIX& worldView, bool perspective,
                    uint32_t mergeGap, std::vector<std::pair<uint32_t, uint32_t>>* runs);

}  // namespace pelmora
