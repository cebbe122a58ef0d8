// The assembly of the host-mesh benchmark: bodies of the sample modelling
// kernel (spheres, tori, cylinders, boxes, holed plates) on a grid of 60 x 34
// cells, each body tilted and turned in its own frame, the frames of a grid
// row under one coloured row frame, one directional light and an ambient
// colour, seen orthographically so that the whole grid fills the view. The
// view plane is sized so that the automatic refinement deviation is 16,
// where the 2,000 bodies come to about 2 million triangles. Generated, so
// every run draws the same assembly.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <vector>

namespace samplekernel {
class SampleKernel;
}

namespace pelmora::bench {

constexpr int kAssemblyBodies = 2000;
constexpr int kAssemblyColumns = 60;
constexpr int kAssemblyRows = 34;

struct AssemblyBody {
    int hostMesh = 0;   // the kernel's number for the body
    int row = 0;        // the row frame it hangs under
    D3DMATRIX world{};  // its frame's transform (the row frames add none)
};

struct AssemblyRow {
    D3DCOLOR colour = 0;  // 0xAARRGGBB, opaque
};

struct AssemblyScene {
    std::vector<AssemblyBody> bodies;  // row by row, in drawing order
    std::vector<AssemblyRow> rows;
    float reflectivity = 0;  // the host's value, the same for every row
    float specularPower = 0;  // what the frames make of it
    // The view plane (left, right, bottom, top) at the benchmark's zoom.
    double plane[4] = {};
    D3DCOLOR background = 0;
    D3DCOLOR lightColour = 0;
    D3DVECTOR lightDirection{};
    D3DCOLOR ambient = 0;
};

// bodyCount bodies (fewer fill the grid from its top left corner), added to
// the kernel; the plane stays that of the full grid, so the deviation and
// every body's facets are the same whatever the count.
AssemblyScene makeAssemblyScene(int bodyCount, samplekernel::SampleKernel& kernel);

// The many-small-parts variant (screws and pins): columns x rows cells of
// one body each, every body a closed cylinder of `segments` sides (4 x
// segments triangles) handed out by the kernel as fixed facets, so the
// count stays the same at every deviation; row frames, light and colours as
// in the assembly.
AssemblyScene makeSmallPartsScene(int columns, int rows, int segments, samplekernel::SampleKernel& kernel);

}  // namespace pelmora::bench
