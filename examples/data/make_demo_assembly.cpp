// Builds the demo's mechanical assembly with Open CASCADE's modelling
// operations and writes it as STEP: a base plate with filleted corners and
// bolt holes, two brackets with rounded tops, a bearing ring in each, a
// shaft through both, and four hex bolts. The file in this folder was
// written by it:
//     make_demo_assembly examples/data/demo-assembly.step
#include <pelmora/occt/ModelWriter.h>

#include <BRepAdaptor_Curve.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <gp_Ax2.hxx>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

using EdgeTest = std::function<bool(const BRepAdaptor_Curve&, const gp_Pnt& middle)>;

// Rounds the edges a test picks (by their curve and middle point).
TopoDS_Shape filleted(const TopoDS_Shape& shape, double radius, const EdgeTest& picks) {
    BRepFilletAPI_MakeFillet fillet(shape);
    for (TopExp_Explorer e(shape, TopAbs_EDGE); e.More(); e.Next()) {
        const BRepAdaptor_Curve curve(TopoDS::Edge(e.Current()));
        if (picks(curve, curve.Value(0.5 * (curve.FirstParameter() + curve.LastParameter()))))
            fillet.Add(radius, TopoDS::Edge(e.Current()));
    }
    return fillet.Shape();
}

bool near(double a, double b) { return std::fabs(a - b) < 1e-6; }

TopoDS_Shape cylinder(const gp_Pnt& base, const gp_Dir& axis, double radius, double length) {
    return BRepPrimAPI_MakeCylinder(gp_Ax2(base, axis), radius, length).Shape();
}

// 160 x 100 x 12, corners rounded, a bolt hole near each corner.
TopoDS_Shape basePlate() {
    TopoDS_Shape plate = BRepPrimAPI_MakeBox(gp_Pnt(-80, -50, 0), 160, 100, 12).Shape();
    plate = filleted(plate, 12, [](const BRepAdaptor_Curve& c, const gp_Pnt& m) {
        return c.GetType() == GeomAbs_Line && near(std::fabs(m.X()), 80) && near(std::fabs(m.Y()), 50);
    });
    for (double x : {-65.0, 65.0})
        for (double y : {-35.0, 35.0})
            plate = BRepAlgoAPI_Cut(plate, cylinder(gp_Pnt(x, y, -1), gp::DZ(), 4.5, 14)).Shape();
    return plate;
}

// An upright 12 thick on a foot, its top rounded, bored for a bearing ring
// at the shaft's height (z = 60).
TopoDS_Shape bracket(double x) {
    const TopoDS_Shape foot = BRepPrimAPI_MakeBox(gp_Pnt(x - 15, -30, 12), 30, 60, 10).Shape();
    const TopoDS_Shape upright = BRepPrimAPI_MakeBox(gp_Pnt(x - 6, -30, 22), 12, 60, 62).Shape();
    TopoDS_Shape body = BRepAlgoAPI_Fuse(foot, upright).Shape();
    body = filleted(body, 20, [](const BRepAdaptor_Curve& c, const gp_Pnt& m) {
        return c.GetType() == GeomAbs_Line && near(m.Z(), 84) && near(std::fabs(m.Y()), 30);
    });
    return BRepAlgoAPI_Cut(body, cylinder(gp_Pnt(x - 7, 0, 60), gp::DX(), 16, 14)).Shape();
}

// A ring of 32 outside, 21 inside, 14 wide about the shaft's axis, its
// rims rounded.
TopoDS_Shape bearingRing(double x) {
    const TopoDS_Shape ring = BRepAlgoAPI_Cut(cylinder(gp_Pnt(x - 7, 0, 60), gp::DX(), 16, 14),
                                              cylinder(gp_Pnt(x - 8, 0, 60), gp::DX(), 10.5, 16)).Shape();
    return filleted(ring, 1.2, [](const BRepAdaptor_Curve& c, const gp_Pnt&) { return c.GetType() == GeomAbs_Circle; });
}

// 20 across, 180 long, its ends rounded.
TopoDS_Shape shaft() {
    const TopoDS_Shape rod = cylinder(gp_Pnt(-90, 0, 60), gp::DX(), 10, 180);
    return filleted(rod, 2, [](const BRepAdaptor_Curve& c, const gp_Pnt&) { return c.GetType() == GeomAbs_Circle; });
}

// An M8 bolt standing in a plate hole: a hex head on the plate, the shank
// through it.
TopoDS_Shape bolt(double x, double y) {
    BRepBuilderAPI_MakePolygon hexagon;
    for (int k = 0; k < 6; ++k) {
        const double a = k * M_PI / 3.0;
        hexagon.Add(gp_Pnt(x + 7.5 * std::cos(a), y + 7.5 * std::sin(a), 12));
    }
    hexagon.Close();
    const TopoDS_Shape head =
        BRepPrimAPI_MakePrism(BRepBuilderAPI_MakeFace(hexagon.Wire()).Face(), gp_Vec(0, 0, 5.5)).Shape();
    return BRepAlgoAPI_Fuse(head, cylinder(gp_Pnt(x, y, -4), gp::DZ(), 4, 16)).Shape();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.step\n", argv[0]);
        return 2;
    }
    std::vector<pelmora::occt::NamedPart> parts = {
        {"Base plate", basePlate()},
        {"Bracket A", bracket(-50)},
        {"Bracket B", bracket(50)},
        {"Bearing ring A", bearingRing(-50)},
        {"Bearing ring B", bearingRing(50)},
        {"Shaft", shaft()},
    };
    int n = 1;
    for (double x : {-65.0, 65.0})
        for (double y : {-35.0, 35.0}) parts.push_back({"Bolt " + std::to_string(n++), bolt(x, y)});
    std::string error;
    if (!pelmora::occt::writeStep(argv[1], parts, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("wrote %zu parts to %s\n", parts.size(), argv[1]);
    return 0;
}
