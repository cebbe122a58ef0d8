// A model read through Open CASCADE, as the file defines it: the distinct
// shapes (each part's geometry once, in its own coordinates), the bodies
// (each an instance of a shape at a placement, with its name and colour),
// and the tree of assemblies and parts they hang in. Free of Pelmora's
// headers: OCCT's document headers declare a GUID of their own, so the
// files reading and writing documents see only OCCT's.
#pragma once

#include <TopoDS_Shape.hxx>
#include <gp_Trsf.hxx>

#include <array>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace pelmora::occt {

// Colours are 0xAARRGGBB; 0 means none given (the scene picks one).
using FaceColors = std::unordered_map<const void*, int>;  // by the face's TShape

// The repairs a translator leaves to be made on a shape (Open CASCADE's
// shape healing), with the tolerances of the file's context.
struct HealingTolerances {
    double precision = 0.0;
    double maxTolerance = 0.0;
    bool nonManifold = false;
};

// One shape as the file defines it, shared by every body placed from it:
// meshed once per deviation whatever the number of its instances.
struct OcctShape {
    TopoDS_Shape shape;        // at its definition's origin (no location)
    bool open = false;         // an open shell: drawn double-sided
    FaceColors faceColors;     // faces coloured apart from their body
    // The colour groups the faces fall in, each drawn as a mesh of its own:
    // 0 for the faces in the body's colour, then every face colour.
    std::vector<int> groups;
    std::array<double, 3> min{0, 0, 0}, max{0, 0, 0};  // box in its own coordinates
    double size = 0.0;         // the box's diagonal (0 for no geometry)
    // Healing still to be made (a STEP file's shapes come as translated):
    // the kernel makes it before the shape's first tessellation, a preview's
    // aside.
    std::optional<HealingTolerances> healing;
};

struct OcctBody {
    std::string name;
    int shape = 0;             // index of its OcctShape
    gp_Trsf placement;         // where the model puts the shape
    int color = 0;             // its product's, solid's or instance's colour
    bool open = false;         // as its shape
    std::array<double, 3> min{0, 0, 0}, max{0, 0, 0};  // world box
    double size = 0.0;         // the world box's diagonal
};

// An assembly or a part of the file: its name, its colour (0 for none),
// its placement in its parent, and what hangs under it. A part of one
// body names that body; a part of several has a node per body.
struct ModelNode {
    std::string name;
    int color = 0;
    gp_Trsf placement;
    int parent = -1;           // -1 for a root
    int body = -1;             // the body this node is, -1 for none
    std::vector<int> children;
};

struct Model {
    std::vector<OcctShape> shapes;
    std::vector<OcctBody> bodies;
    std::vector<ModelNode> nodes;  // roots have parent -1

    // Adds a body placed from `piece` (a solid or shell with the location
    // the model gives it): its shape is found among those added before (the
    // same TShape) or added. Colours: the body's, and its faces' own; a new
    // shape takes `healing` as the healing left to make on it.
    int addBody(const TopoDS_Shape& piece, const std::string& name, bool open, int color,
                const FaceColors& faceColors = {}, const std::optional<HealingTolerances>& healing = {});

private:
    std::unordered_map<const void*, int> shapeByTShape_;
};

// Fills a shape's box and size from its geometry, and a body's from its
// shape's box carried through the placement.
void measure(OcctShape* shape);
void measure(const OcctShape& shape, OcctBody* body);

// Keeps OCCT's translators from printing their statistics on standard
// output: only failures get through.
void quietOcctMessages();

}  // namespace pelmora::occt
