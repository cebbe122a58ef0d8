// Runs of face-pair edges with the cone their faces' normals span and a
// sphere around them. Each frame, a run whose cone cannot turn edge-on to
// the eye holds no silhouette and is not drawn: the work per frame is one
// test a run, and the vertex stage sees only the runs near the outline.
#pragma once

#include "meshops/FeatureEdges.h"

#include <cstdint>
#include <span>
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

// Consecutive face pairs, `perCluster` a run (the last may hold fewer); no
// run crosses `boundary`, so the pairs before it can be left out alone.
std::vector<EdgeCluster> clusterFacePairs(const std::vector<FacePairEdge>& pairs, uint32_t perCluster,
                                          uint32_t boundary = 0);

// The camera seen from the mesh's space: where its eye is (perspective) or
// the way it looks (orthographic), from worldView (the mesh's space to the
// camera's). Whether two faces turn alike does not depend on the way's sign;
// whether a face turns towards the eye does: `depthSign` is the sign of the
// projection's z scale (_33), negative for a right-handed camera, which looks
// down its -z axis, so the way is the one depth grows, as the vertex stage
// takes it.
struct SilhouetteLook {
    bool valid = false;  // false when worldView cannot be inverted
    bool perspective = false;
    D3DXVECTOR3 direction{0, 0, 1};  // the camera's z axis times depthSign, unit
    D3DXVECTOR3 eye{0, 0, 0};
};
SilhouetteLook silhouetteLook(const D3DXMATRIX& worldView, bool perspective, float depthSign = 1.0f);

// Whether the same edges may show from both looks: in a parallel view only
// the direction decides, as the eye moves with the body's place and would
// keep instances of a part apart.
bool sameLook(const SilhouetteLook& a, const SilhouetteLook& b);

// Whether one of the edge's faces turns towards the eye and the other away,
// tested at the edge's midpoint as the device's vertex stage tests it.
bool isSilhouette(const FacePairEdge& edge, const SilhouetteLook& look);

// The same test with room for rounding: true for every edge the vertex
// stage could show (its arithmetic differs from this in the last bits),
// and for a few at the edge of turning that it will not.
bool mayBeSilhouette(const FacePairEdge& edge, const SilhouetteLook& look);
// Whether one of the edge's faces may turn towards the eye, with the same
// room: every edge the vertex stage shows among the front borders.
bool mayFaceTheEye(const FacePairEdge& edge, const SilhouetteLook& look);

// The runs of clusters that may hold a silhouette seen from `look`, as
// (first edge, edge count); runs at most `mergeGap` edges apart are merged
// into one.
void silhouetteRuns(std::span<const EdgeCluster> clusters, const SilhouetteLook& look, uint32_t mergeGap,
                    std::vector<std::pair<uint32_t, uint32_t>>* runs);

}  // namespace pelmora
