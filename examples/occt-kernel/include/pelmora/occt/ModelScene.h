// The frame tree a host hangs a kernel's bodies in: under one root, a frame
// per body (its placement and colour) listing the faces in the body's
// colour, and under that a frame per face colour the file gives apart from
// the body; after the bodies, a frame holding a frame per body placed as the
// body (the edge colour) listing its model edges, so that every face draws
// before the first line. Bodies placed from one shape list the same host
// meshes.
#pragma once

#include "OcctKernel.h"

#include <unordered_map>
#include <vector>

namespace pelmora::occt {

struct SceneStyle {
    bool edges = true;               // model edges and outlines
    int edgeColor = int(0xFF1C1C1Cu);
};

struct ModelScene {
    int root = 0;
    std::vector<int> bodyFrames;                // by body index
    std::vector<std::vector<int>> faceMeshes;   // by body: one per colour group
    std::vector<int> edgeMeshes;                // 0 where edges are off

    // The body whose frame or mesh this handle is; -1 for none.
    int bodyOf(int handle) const;

private:
    friend HRESULT buildScene(IDXContext*, const OcctKernel&, int, const SceneStyle&, ModelScene*);
    friend HRESULT releaseScene(IDXContext*, ModelScene*);
    std::unordered_map<int, int> owners_;
    std::vector<int> handles_;  // every frame and mesh made, in order
};

// A colour per body from a small palette of metals and paints.
int bodyColor(int body);
// The colour a body is shown in: its own, else the palette's.
int bodyColor(const OcctKernel& kernel, int body);

// Builds the tree (in a new root frame) for every body of the kernel,
// registered as `factory`. The first failing status, else S_OK.
HRESULT buildScene(IDXContext* context, const OcctKernel& kernel, int factory, const SceneStyle& style,
                   ModelScene* scene);

// Releases every frame and mesh buildScene made and empties the scene (a
// host showing another model lets the old one go so). The first failing
// status, else S_OK.
HRESULT releaseScene(IDXContext* context, ModelScene* scene);

// Draws a small stand-in of a model in `style` once into a viewport (its
// lights and background set as they will be) and releases it, so that the
// device has made the programs a model's first frame needs: a host calls it
// while its file is read. It moves the viewport's camera. The first failing
// status, else S_OK.
HRESULT warmUpScene(IDXContext* context, int viewport, const SceneStyle& style);

// Fetches again the meshes that showed a preview (OcctKernel::preview)
// whose shape has been healed since, so that none keeps the preview's
// facets. The first failing status, else S_OK.
HRESULT refreshPreviews(IDXContext* context, OcctKernel& kernel, const ModelScene& scene);

}  // namespace pelmora::occt
