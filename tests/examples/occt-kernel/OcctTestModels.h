// Model files the Open CASCADE kernel's tests write at run time, in a
// temporary folder that goes with the fixture: a box, a cylinder, a box
// with a bored hole, open shells, all made with OCCT's own modelling calls.
#pragma once

#include <pelmora/occt/ModelWriter.h>

#include "support/TestSupport.h"

#include <BRepAlgoAPI_Cut.hxx>
#include <BRepBuilderAPI_Sewing.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepTools.hxx>
#include <IGESControl_Controller.hxx>
#include <IGESControl_Writer.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Face.hxx>
#include <gp_Ax2.hxx>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace pelmora::occt::test {

inline TopoDS_Shape box(double size = 10.0) { return BRepPrimAPI_MakeBox(size, size, size).Shape(); }

inline TopoDS_Shape cylinder() { return BRepPrimAPI_MakeCylinder(gp_Ax2(gp::Origin(), gp::DZ()), 5.0, 10.0).Shape(); }

inline TopoDS_Shape moved(const TopoDS_Shape& shape, double x, double y, double z) {
    gp_Trsf move;
    move.SetTranslation(gp_Vec(x, y, z));
    return shape.Moved(TopLoc_Location(move));
}

// A 10 mm box bored through along z: the bore's face is reversed.
inline TopoDS_Shape boredBox() {
    const TopoDS_Shape bore = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(5, 5, -1), gp::DZ()), 2.5, 12).Shape();
    return BRepAlgoAPI_Cut(box(), bore).Shape();
}

// The faces of a box but the one at z = size, sewn into an open shell
// (shifted by `dx`).
inline TopoDS_Shape openBox(double dx = 0.0) {
    BRepBuilderAPI_Sewing sewing;
    for (TopExp_Explorer e(box(), TopAbs_FACE); e.More(); e.Next()) {
        const TopoDS_Face& face = TopoDS::Face(e.Current());
        TopExp_Explorer vertices(face, TopAbs_VERTEX);
        bool top = true;
        for (; vertices.More(); vertices.Next())
            top = top && BRep_Tool::Pnt(TopoDS::Vertex(vertices.Current())).Z() > 9.9;
        if (!top) sewing.Add(face);
    }
    sewing.Perform();
    return moved(sewing.SewedShape(), dx, 0, 0);
}

// A temporary folder and the files written in it.
class ModelFiles {
public:
    ModelFiles() : folder_(pelmora::test::makeTempDir("occt-kernel")) {}
    ~ModelFiles() { pelmora::test::removeTree(folder_); }

    std::string step(const std::string& name, const std::vector<NamedPart>& parts) const {
        const std::string path = folder_ + "/" + name;
        std::string error;
        EXPECT_TRUE(writeStep(path, parts, &error)) << error;
        return path;
    }
    std::string brep(const std::string& name, const TopoDS_Shape& shape) const {
        const std::string path = folder_ + "/" + name;
        EXPECT_TRUE(BRepTools::Write(shape, path.c_str()));
        return path;
    }
    // IGES in its B-rep mode (solids as solids).
    std::string iges(const std::string& name, const TopoDS_Shape& shape) const {
        const std::string path = folder_ + "/" + name;
        IGESControl_Controller::Init();
        IGESControl_Writer writer("MM", 1);
        writer.AddShape(shape);
        writer.ComputeModel();
        EXPECT_TRUE(writer.Write(path.c_str()));
        return path;
    }
    std::string text(const std::string& name, const std::string& contents) const {
        const std::string path = folder_ + "/" + name;
        std::ofstream(path) << contents;
        return path;
    }
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
};

}  // namespace pelmora::occt::test
