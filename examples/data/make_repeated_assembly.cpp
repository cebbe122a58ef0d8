// make_repeated_assembly: writes a STEP assembly of many repeated small
// parts on a board, as electronics and keyboard assemblies are: one
// product per part type, an instance per placement, colours on products
// and on faces. What bench/step/compare-with-draw.sh measures beside the
// real files.
//     make_repeated_assembly OUT.step [ROWS COLUMNS]     (10 x 20 by default)
#include <pelmora/occt/ModelWriter.h>

#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRep_Tool.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <gp_Ax2.hxx>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using pelmora::occt::NamedPart;

constexpr double kPitch = 15.0;

TopoDS_Shape placed(const TopoDS_Shape& shape, double x, double y, double z) {
    gp_Trsf move;
    move.SetTranslation(gp_Vec(x, y, z));
    return shape.Moved(TopLoc_Location(move));
}

// A 6 mm resistor: a body on two bent leads.
TopoDS_Shape resistor() {
    const TopoDS_Shape body = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(-3, 0, 3), gp::DX()), 1.2, 6).Shape();
    const TopoDS_Shape left = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(-4, 0, 0), gp::DZ()), 0.3, 3).Shape();
    const TopoDS_Shape right = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(4, 0, 0), gp::DZ()), 0.3, 3).Shape();
    const TopoDS_Shape wire = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(-4, 0, 3), gp::DX()), 0.3, 8).Shape();
    return BRepAlgoAPI_Fuse(BRepAlgoAPI_Fuse(BRepAlgoAPI_Fuse(body, wire).Shape(), left).Shape(), right).Shape();
}

// An 8 mm keycap-like block with rounded edges.
TopoDS_Shape cap() {
    const TopoDS_Shape block = BRepPrimAPI_MakeBox(gp_Pnt(-4, -4, 0), 8, 8, 5).Shape();
    BRepFilletAPI_MakeFillet fillet(block);
    for (TopExp_Explorer e(block, TopAbs_EDGE); e.More(); e.Next()) fillet.Add(0.8, TopoDS::Edge(e.Current()));
    return fillet.Shape();
}

TopoDS_Shape topFace(const TopoDS_Shape& solid, double z) {
    for (TopExp_Explorer e(solid, TopAbs_FACE); e.More(); e.Next()) {
        bool top = true;
        for (TopExp_Explorer v(e.Current(), TopAbs_VERTEX); v.More(); v.Next())
            top = top && BRep_Tool::Pnt(TopoDS::Vertex(v.Current())).Z() > z - 1e-6;
        if (top) return e.Current();
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: make_repeated_assembly OUT.step [ROWS COLUMNS]\n");
        return 2;
    }
    const int rows = argc == 4 ? std::atoi(argv[2]) : 10, columns = argc == 4 ? std::atoi(argv[3]) : 20;
    const TopoDS_Shape board = BRepPrimAPI_MakeBox(gp_Pnt(-kPitch, -kPitch, -1.6), (columns + 1) * kPitch,
                                                   (rows + 1) * kPitch, 1.6).Shape();
    const TopoDS_Shape resistorShape = resistor(), capShape = cap();
    const std::vector<std::pair<TopoDS_Shape, int>> capTop = {{topFace(capShape, 5.0), int(0xFFE0E0E0u)}};
    std::vector<NamedPart> parts = {{"Board", board, int(0xFF1F7A3Au)}};
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            const double x = column * kPitch, y = row * kPitch;
            if ((row + column) % 2 == 0) parts.push_back({"Resistor", placed(resistorShape, x, y, 0), int(0xFFC8A060u)});
            else parts.push_back({"Cap", placed(capShape, x, y, 0), int(0xFF303030u), capTop});
        }
    std::string error;
    if (!pelmora::occt::writeStep(argv[1], parts, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "%zu parts: %s\n", parts.size(), argv[1]);
    return 0;
}
