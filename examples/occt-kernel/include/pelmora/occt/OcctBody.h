// One body of a model read through Open CASCADE: a solid, or an open shell
// when the model has no solids, with the name the file gave it. Its
// placement in the model is the shape's location (shape.Location()): the
// product of the assembly placements above it. Free of
// Pelmora's headers: OCCT's document headers declare a GUID of their own,
// so the files reading and writing documents see only OCCT's.
#pragma once

#include <TopoDS_Shape.hxx>

#include <array>
#include <string>

namespace occtkernel {

struct OcctBody {
    std::string name;
    TopoDS_Shape shape;     // located where the model puts it
    bool open = false;      // an open shell: drawn double-sided
    int color = 0;          // 0xAARRGGBB; 0: none given, the scene picks one
    std::array<double, 3> min{0, 0, 0}, max{0, 0, 0};  // world box of the shape
    double size = 0.0;      // the box's diagonal (0 for no geometry), for relative deflections
};

// Fills bounds and size from the shape's geometry.
void measure(OcctBody* body);

// Keeps OCCT's translators from printing their statistics on standard
// output: only failures get through.
void quietOcctMessages();

}  // namespace occtkernel
