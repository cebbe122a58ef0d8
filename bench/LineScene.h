// The scene of the line benchmark: 2,000 wire meshes of 50 segments each
// (100,000 segments), one sketch per cell of a 50 x 40 grid filling a
// 1920x1080 orthographic view: an outline of 20 segments closed on itself,
// a circle of 20 and a zig-zag of 10, three polylines a mesh, each mesh
// turned in its own frame, the frames of a grid row under one coloured row
// frame. Generated, so every run draws the same lines.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <vector>

namespace pelmora::bench {

constexpr int kLineMeshes = 2000;
constexpr int kLineColumns = 50;
constexpr int kLineRows = 40;

struct LineMesh {
    int row = 0;        // the row frame it hangs under
    D3DMATRIX world{};  // its frame's transform
};

struct LineScene {
    // The sketch every mesh holds: x, y, z per point, and its line list.
    std::vector<float> vertices;
    std::vector<int> lines;
    std::vector<LineMesh> meshes;          // row by row, in drawing order
    std::vector<D3DCOLOR> rowColours;      // opaque
    double plane[4] = {};                  // left, right, bottom, top
    D3DCOLOR background = 0;

    // Segments of one sketch, and their end-point pairs as indices.
    int segmentsPerMesh() const;
    std::vector<int> segmentPairs() const;
};

// meshCount meshes (fewer fill the grid from its top left corner).
LineScene makeLineScene(int meshCount);

}  // namespace pelmora::bench
