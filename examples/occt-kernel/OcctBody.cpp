#include <pelmora/occt/OcctBody.h>

#include <BRepBndLib.hxx>
#include <Bnd_Box.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_Printer.hxx>
#include <Precision.hxx>
#include <TopExp_Explorer.hxx>

#include <algorithm>
#include <cmath>
#include <limits>

namespace pelmora::occt {

namespace {

double diagonal(const std::array<double, 3>& min, const std::array<double, 3>& max) {
    return std::sqrt((max[0] - min[0]) * (max[0] - min[0]) + (max[1] - min[1]) * (max[1] - min[1]) +
                     (max[2] - min[2]) * (max[2] - min[2]));
}

std::vector<int> colorGroups(const TopoDS_Shape& shape, const FaceColors& faceColors) {
    std::vector<int> groups;
    for (TopExp_Explorer e(shape, TopAbs_FACE); e.More(); e.Next()) {
        const auto found = faceColors.find(e.Current().TShape().get());
        const int color = found == faceColors.end() ? 0 : found->second;
        if (std::find(groups.begin(), groups.end(), color) == groups.end()) groups.push_back(color);
    }
    // The body's own colour first, as the mesh its frame colours.
    std::stable_partition(groups.begin(), groups.end(), [](int color) { return color == 0; });
    if (groups.empty()) groups.push_back(0);
    return groups;
}

bool unbounded(const Bnd_Box& box) {
    if (box.IsVoid()) return false;
    if (box.IsOpen()) return true;
    double min[3], max[3];
    box.Get(min[0], min[1], min[2], max[0], max[1], max[2]);
    for (int i = 0; i < 3; ++i)
        if (Precision::IsInfinite(min[i]) || Precision::IsInfinite(max[i])) return true;
    return false;
}

// A shape as translated, before healing, may have faces without curves on
// their surfaces: such a face's patch has no bounds, and its edges give
// them instead.
Bnd_Box boundedBox(const TopoDS_Shape& shape) {
    Bnd_Box box;
    for (TopExp_Explorer f(shape, TopAbs_FACE); f.More(); f.Next()) {
        Bnd_Box face;
        BRepBndLib::Add(f.Current(), face, false);
        if (unbounded(face)) {
            face.SetVoid();
            for (TopExp_Explorer e(f.Current(), TopAbs_EDGE); e.More(); e.Next())
                BRepBndLib::Add(e.Current(), face, false);
        }
        box.Add(face);
    }
    for (TopExp_Explorer e(shape, TopAbs_EDGE, TopAbs_FACE); e.More(); e.Next())
        BRepBndLib::Add(e.Current(), box, false);
    return box;
}

}  // namespace

int Model::addBody(const TopoDS_Shape& piece, const std::string& name, bool open, int color,
                   const FaceColors& faceColors, const std::optional<HealingTolerances>& healing) {
    auto [known, added] = shapeByTShape_.try_emplace(piece.TShape().get(), int(shapes.size()));
    // A shape healed since is another TShape now, and the one it was read
    // as is gone: its address may be a new shape's.
    if (!added && shapes[size_t(known->second)].shape.TShape().get() != known->first) {
        known->second = int(shapes.size());
        added = true;
    }
    if (added) {
        OcctShape shape;
        shape.shape = piece.Located(TopLoc_Location());
        shape.open = open;
        for (TopExp_Explorer e(shape.shape, TopAbs_FACE); e.More(); e.Next()) {
            const auto found = faceColors.find(e.Current().TShape().get());
            if (found != faceColors.end()) shape.faceColors.insert(*found);
        }
        shape.groups = colorGroups(shape.shape, shape.faceColors);
        shape.healing = healing;
        measure(&shape);
        shapes.push_back(std::move(shape));
    }
    const OcctShape& shape = shapes[size_t(known->second)];
    OcctBody body;
    body.name = name;
    body.shape = known->second;
    body.placement = piece.Location().Transformation();
    body.color = color;
    body.open = shape.open;
    measure(shape, &body);
    bodies.push_back(std::move(body));
    return int(bodies.size()) - 1;
}

void measure(OcctShape* shape) {
    Bnd_Box box;
    // From the geometry, not from a tessellation: none exists yet. The box
    // of each face's surface patch (exact for planes and quadrics, from the
    // control points for free-form ones): a little wider than the exact box
    // on free-form parts, and several times quicker to find on large ones.
    BRepBndLib::Add(shape->shape, box, false);
    if (unbounded(box)) box = boundedBox(shape->shape);
    shape->size = 0.0;
    if (box.IsVoid()) return;
    box.Get(shape->min[0], shape->min[1], shape->min[2], shape->max[0], shape->max[1], shape->max[2]);
    shape->size = diagonal(shape->min, shape->max);
}

void measure(const OcctShape& shape, OcctBody* body) {
    body->size = 0.0;
    if (!(shape.size > 0.0)) return;
    constexpr double kHuge = std::numeric_limits<double>::max();
    body->min = {kHuge, kHuge, kHuge};
    body->max = {-kHuge, -kHuge, -kHuge};
    for (int corner = 0; corner < 8; ++corner) {
        gp_Pnt p((corner & 1 ? shape.max : shape.min)[0], (corner & 2 ? shape.max : shape.min)[1],
                 (corner & 4 ? shape.max : shape.min)[2]);
        p.Transform(body->placement);
        for (int i = 0; i < 3; ++i) {
            body->min[size_t(i)] = std::min(body->min[size_t(i)], p.Coord(i + 1));
            body->max[size_t(i)] = std::max(body->max[size_t(i)], p.Coord(i + 1));
        }
    }
    body->size = diagonal(body->min, body->max);
}

void quietOcctMessages() {
    for (const Handle(Message_Printer)& printer : Message::DefaultMessenger()->Printers())
        printer->SetTraceLevel(Message_Fail);
}

}  // namespace pelmora::occt
