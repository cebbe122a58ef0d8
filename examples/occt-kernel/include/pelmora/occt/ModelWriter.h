// Writes named shapes as a STEP file, each a part (a product) of its own
// name, with its colour and its faces' colours: what the demo data
// generator, the tests and the benchmark use to make STEP files. Parts
// that place one shape (the same TShape) several times are written as one
// product with an instance per placement, as CAD systems write repeated
// parts.
#pragma once

#include <TopoDS_Shape.hxx>

#include <string>
#include <utility>
#include <vector>

namespace pelmora::occt {

struct NamedPart {
    std::string name;
    TopoDS_Shape shape;             // its location places the instance
    int color = 0;                  // 0xAARRGGBB; 0 for none
    // Faces of the shape (as explored from it) given a colour of their own.
    std::vector<std::pair<TopoDS_Shape, int>> faceColors = {};
};

// False, with a message naming the file, when it cannot be written.
bool writeStep(const std::string& path, const std::vector<NamedPart>& parts, std::string* error);

}  // namespace pelmora::occt
