// Writes named shapes as a STEP file, each a part (a product) of its own
// name: what the demo data generator, the tests and the benchmark use to
// make STEP files.
#pragma once

#include <TopoDS_Shape.hxx>

#include <string>
#include <vector>

namespace occtkernel {

struct NamedPart {
    std::string name;
    TopoDS_Shape shape;
};

// False, with a message naming the file, when it cannot be written.
bool writeStep(const std::string& path, const std::vector<NamedPart>& parts, std::string* error);

}  // namespace occtkernel
