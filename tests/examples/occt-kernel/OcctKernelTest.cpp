// The Open CASCADE kernel without a device: what it reads from STEP, BREP
// and IGES files (bodies, names, placements, shared shapes, the assembly
// tree, open shells, the files it refuses, reads the host cancels) and
// what its tessellations hold (counts, edges, normals, winding, refinement
// that follows the view rather than the body), and the healing a STEP
// file's shapes get before their first tessellation.
#include "OcctTestModels.h"
#include "ShapeHealing.h"

#include <pelmora/occt/OcctKernel.h>

#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <Geom_Plane.hxx>
#include <TopoDS_Wire.hxx>
#include <gp_Pln.hxx>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <latch>
#include <set>
#include <thread>
#include <vector>

namespace pelmora::occt::test {
namespace {

using Vec = std::array<double, 3>;

Vec sub(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec cross(const Vec& a, const Vec& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec position(const FacetVertex& v) { return {v.x, v.y, v.z}; }
Vec normal(const FacetVertex& v) { return {v.nx, v.ny, v.nz}; }

struct ReadCase {
    const char* label;
    std::function<std::string(const ModelFiles&)> write;
    std::vector<std::string> names;  // the bodies read, in order
    bool open;
};

class ReadModel : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadModel, GivesOneBodyPerSolidOrShellNamedFromTheFile) {
    ModelFiles files;
    OcctKernel kernel;
    std::string error;
    ASSERT_TRUE(kernel.load(GetParam().write(files), &error)) << error;
    ASSERT_EQ(kernel.bodyCount(), int(GetParam().names.size()));
    for (int i = 0; i < kernel.bodyCount(); ++i) {
        EXPECT_EQ(kernel.body(i).name, GetParam().names[size_t(i)]);
        EXPECT_EQ(kernel.body(i).open, GetParam().open);
        EXPECT_GT(kernel.body(i).size, 0.0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadModel,
    testing::Values(
        ReadCase{"StepProductNames",
                 [](const ModelFiles& f) { return f.step("parts.step", {{"Cube", box()}, {"Rod", cylinder()}}); },
                 {"Cube", "Rod"}, false},
        ReadCase{"StepPartOfTwoSolidsNumbered",
                 [](const ModelFiles& f) {
                     TopoDS_Compound pair;
                     BRep_Builder b;
                     b.MakeCompound(pair);
                     b.Add(pair, box());
                     b.Add(pair, moved(box(), 20, 0, 0));
                     return f.step("pair.stp", {{"Pair", pair}});
                 },
                 {"Pair 1", "Pair 2"}, false},
        ReadCase{"IgesUnnamed", [](const ModelFiles& f) { return f.iges("box.igs", box()); }, {"Solid 1"}, false},
        ReadCase{"BrepUnnamed", [](const ModelFiles& f) { return f.brep("box.brep", box()); }, {"Solid 1"}, false},
        ReadCase{"OpenShellsWhenNoSolid",
                 [](const ModelFiles& f) {
                     TopoDS_Compound shells;
                     BRep_Builder b;
                     b.MakeCompound(shells);
                     b.Add(shells, openBox());
                     b.Add(shells, openBox(20));
                     return f.brep("shells.brep", shells);
                 },
                 {"Shell 1", "Shell 2"}, true},
        ReadCase{"OpenShellInStep", [](const ModelFiles& f) { return f.step("shell.step", {{"Tray", openBox()}}); },
                 {"Tray"}, true},
        ReadCase{"StepWithoutExtension",
                 [](const ModelFiles& f) { return f.step("model", {{"Cube", box()}}); }, {"Cube"}, false}),
    [](const testing::TestParamInfo<ReadCase>& info) { return info.param.label; });

struct RefusedCase {
    const char* label;
    std::function<std::string(const ModelFiles&)> write;
    const char* message;  // part of the error
};

class RefusedModel : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedModel, FailsWithAMessageNamingTheFile) {
    ModelFiles files;
    OcctKernel kernel;
    const std::string path = GetParam().write(files);
    std::string error;
    EXPECT_FALSE(kernel.load(path, &error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find(GetParam().message), std::string::npos) << error;
    EXPECT_EQ(kernel.bodyCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedModel,
    testing::Values(
        RefusedCase{"Missing", [](const ModelFiles& f) { return f.folder() + "/none.step"; }, "No such file"},
        RefusedCase{"Empty", [](const ModelFiles& f) { return f.text("empty.step", ""); }, "is empty"},
        RefusedCase{"NotStep", [](const ModelFiles& f) { return f.text("junk.step", "hello\n"); }, "STEP"},
        RefusedCase{"UnknownFormat", [](const ModelFiles& f) { return f.text("notes.txt", "hello\n"); },
                    "neither"},
        // A FIFO would block the reader until a writer came.
        RefusedCase{"Fifo",
                    [](const ModelFiles& f) {
                        const std::string path = f.folder() + "/pipe.step";
                        mkfifo(path.c_str(), 0600);
                        return path;
                    },
                    "is not a regular file"},
        RefusedCase{"Folder", [](const ModelFiles& f) { return f.folder(); }, "is a directory"},
        RefusedCase{"DeeplyNested",
                    [](const ModelFiles& f) {
                        return f.text("nested.step", "ISO-10303-21;\nHEADER;\nENDSEC;\nDATA;\n#1 = CARTESIAN_POINT(''," +
                                                         std::string(30000, '(') + std::string(30000, ')') +
                                                         ");\nENDSEC;\nEND-ISO-10303-21;\n");
                    },
                    "STEP"},
        RefusedCase{"OnlyAnEdge",
                    [](const ModelFiles& f) {
                        return f.brep("edge.brep", BRepBuilderAPI_MakeEdge(gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0)).Edge());
                    },
                    "no solids or surfaces"}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return info.param.label; });

// The host cancels at the Nth progress report of one phase: the load fails
// saying so, the bodies loaded before stay, the phase stops there (Open
// CASCADE closes its open steps with a report or two; one that ignored the
// cancel would go on for dozens), and a file cancelled while it is read is
// never translated.
struct CancelCase {
    const char* label;
    std::function<std::string(const ModelFiles&)> write;
    std::string phase;
    int report;  // 1: the phase's first
};

class CancelledRead : public testing::TestWithParam<CancelCase> {};

TEST_P(CancelledRead, StopsThereSaysSoAndKeepsTheModelBefore) {
    ModelFiles files;
    OcctKernel kernel;
    kernel.addBody(box(), "Kept");
    const std::string path = GetParam().write(files);
    int reports = 0, translating = 0;
    const Progress progress = [&](const char* phase, double) {
        translating += std::string(phase) == "translating";
        reports += phase == GetParam().phase;
    };
    const Proceed proceed = [&] { return reports < GetParam().report; };
    std::string error;
    EXPECT_FALSE(kernel.load(path, &error, progress, proceed));
    EXPECT_EQ(error, "reading " + path + " was cancelled");
    ASSERT_EQ(kernel.bodyCount(), 1);
    EXPECT_EQ(kernel.body(0).name, "Kept");
    EXPECT_GE(reports, GetParam().report);
    EXPECT_LE(reports, GetParam().report + 2);
    if (GetParam().phase == "reading") {
        EXPECT_EQ(translating, 0);
    }
}

std::string twoParts(const ModelFiles& f) { return f.step("parts.step", {{"Cube", box()}, {"Rod", cylinder()}}); }

INSTANTIATE_TEST_SUITE_P(
    Files, CancelledRead,
    testing::Values(CancelCase{"StepBeforeParsing", twoParts, "reading", 1},
                    CancelCase{"StepWhileParsing", twoParts, "reading", 2},
                    CancelCase{"StepWhileTranslating", twoParts, "translating", 1},
                    CancelCase{"IgesWhileTranslating",
                               [](const ModelFiles& f) { return f.iges("box.igs", box()); }, "translating", 1},
                    CancelCase{"BrepWhileReading",
                               [](const ModelFiles& f) { return f.brep("box.brep", box()); }, "reading", 1}),
    [](const testing::TestParamInfo<CancelCase>& info) { return info.param.label; });

TEST(OcctTessellation, CylinderGetsFinerAsTheDeviationFalls) {
    OcctKernel kernel;
    const int body = kernel.addBody(cylinder(), "Rod");
    int previous = 0;
    for (double deviation : {16.0, 4.0, 1.0}) {
        const int triangles = kernel.tessellation(body, deviation).triangles;
        EXPECT_GT(triangles, previous) << deviation;
        previous = triangles;
    }
    // Back to a coarse deviation: coarse facets again, not the fine ones kept on the faces.
    OcctKernel again;
    again.addBody(cylinder(), "Rod");
    again.tessellation(0, 0.25);
    EXPECT_EQ(again.tessellation(0, 16.0).triangles, kernel.tessellation(body, 16.0).triangles);
    // Two rims; the seam is no model edge.
    EXPECT_EQ(kernel.tessellation(body, 4.0).edges, 2);
}

TEST(OcctTessellation, FacetsFaceOutwardsOnReversedFacesToo) {
    OcctKernel kernel;
    kernel.addBody(boredBox(), "Bored");
    kernel.addBody(box(), "Cube");
    for (int body : {0, 1}) {
        const FacetGroup& t = kernel.tessellation(body, 2.0).groups.at(0);
        ASSERT_GE(t.triangles, 12);
        for (size_t i = 0; t.faceList[i] != 0; i += 4) {
            const FacetVertex& a = t.vertices[size_t(t.faceList[i + 1])];
            const FacetVertex& b = t.vertices[size_t(t.faceList[i + 2])];
            const FacetVertex& c = t.vertices[size_t(t.faceList[i + 3])];
            const Vec winding = cross(sub(position(b), position(a)), sub(position(c), position(a)));
            const Vec centroid{(a.x + b.x + c.x) / 3.0, (a.y + b.y + c.y) / 3.0, (a.z + b.z + c.z) / 3.0};
            // Outwards: away from the box's centre on its sides, towards the
            // bore's axis inside the bore.
            const double radial = std::hypot(centroid[0] - 5.0, centroid[1] - 5.0);
            const bool inBore = body == 0 && radial < 2.6 && centroid[2] > 0.01 && centroid[2] < 9.99;
            const Vec outward = inBore ? Vec{5.0 - centroid[0], 5.0 - centroid[1], 0.0} : sub(centroid, {5, 5, 5});
            EXPECT_GT(dot(winding, outward), 0.0) << "triangle " << i / 4 << " of body " << body;
            for (const FacetVertex* v : {&a, &b, &c})
                EXPECT_GT(dot(normal(*v), winding), 0.0) << "normal at triangle " << i / 4;
        }
    }
}

// Six pins placed about a board, as a CAD system writes repeated parts:
// one product, an instance per placement.
std::vector<NamedPart> pinBoard() {
    const TopoDS_Shape pin = BRepPrimAPI_MakeCylinder(gp_Ax2(gp::Origin(), gp::DZ()), 1.0, 6.0).Shape();
    std::vector<NamedPart> parts = {{"Board", box(300.0), int(0xFF2E7D32u)}};
    for (int i = 0; i < 6; ++i) parts.push_back({"Pin", moved(pin, 20.0 + 40.0 * i, 50.0, 300.0)});
    return parts;
}

TEST(OcctModel, RepeatedPartsShareOneShapeMeshedOnceAndPlacedApart) {
    ModelFiles files;
    OcctKernel kernel;
    std::string error;
    ASSERT_TRUE(kernel.load(files.step("pins.step", pinBoard()), &error)) << error;
    ASSERT_EQ(kernel.bodyCount(), 7);
    EXPECT_EQ(kernel.shapeCount(), 2);
    std::set<int> faceHandles, edgeHandles;
    std::set<double> xs;
    for (int body = 0; body < kernel.bodyCount(); ++body) {
        if (kernel.body(body).name != "Pin") continue;
        faceHandles.insert(kernel.faceMeshes(body).at(0).handle);
        edgeHandles.insert(kernel.edgeMesh(body));
        xs.insert(kernel.body(body).placement.TranslationPart().X());
    }
    EXPECT_EQ(faceHandles.size(), 1u);
    EXPECT_EQ(edgeHandles.size(), 1u);
    EXPECT_EQ(xs, (std::set<double>{20, 60, 100, 140, 180, 220}));
    // The reader leaves the healing to the kernel, which makes it as it
    // first meshes a shape; a shape as translated is measured by its
    // bounded geometry.
    EXPECT_TRUE(kernel.shape(0).healing && kernel.shape(1).healing);
    EXPECT_LT(kernel.shape(0).size, 1000.0);
    EXPECT_GT(kernel.tessellation(0, 4.0).triangles, 0);
    EXPECT_FALSE(kernel.shape(0).healing);
    EXPECT_TRUE(kernel.shape(1).healing) << "a shape not meshed yet is not healed yet";
    kernel.prepare(4.0);
    EXPECT_EQ(kernel.tessellationCount(), 2);
    // The tree: the assembly over its seven parts, the board in its colour.
    const std::vector<ModelNode>& tree = kernel.tree();
    const auto root = std::find_if(tree.begin(), tree.end(), [](const ModelNode& n) { return n.parent < 0; });
    ASSERT_NE(root, tree.end());
    EXPECT_EQ(root->name, "Assembly");
    ASSERT_EQ(root->children.size(), 7u);
    const ModelNode& board = tree[size_t(root->children[0])];
    EXPECT_EQ(board.name, "Board");
    ASSERT_GE(board.body, 0);
    EXPECT_EQ(kernel.body(board.body).color, int(0xFF2E7D32u));
    // Facets are the shape's own; the body's frame places them.
    const pelmora::Box bounds = kernel.bounds();
    EXPECT_NEAR(bounds.max[0], 300.0, 1e-3);
    EXPECT_NEAR(bounds.max[2], 306.0, 1e-3);
}

TEST(OcctTessellation, ASmallPartInALargeAssemblyGetsFewerFacetsAndZoomingRefinesIt) {
    const TopoDS_Shape pin = BRepPrimAPI_MakeCylinder(gp_Ax2(gp::Origin(), gp::DZ()), 1.0, 6.0).Shape();
    OcctKernel alone, inAssembly;
    alone.addBody(pin, "Pin");
    inAssembly.addBody(pin, "Pin");
    inAssembly.addBody(box(300.0), "Board");
    const Tessellation byItself = alone.tessellation(0, 4.0);
    const Tessellation whole = inAssembly.tessellation(0, 4.0);
    const int seenWhole = whole.triangles;
    EXPECT_LT(seenWhole, byItself.triangles);
    EXPECT_LE(seenWhole, 100) << "tens of triangles, not thousands";
    // Its two circles keep the points their chord error needs, all on the circle.
    EXPECT_EQ(whole.edges, 2);
    EXPECT_LT(whole.edgeVertices.size(), byItself.edgeVertices.size());
    EXPECT_LE(whole.edgeVertices.size(), 2u * 9u) << "octagons at most";
    for (const FacetVertex& v : whole.edgeVertices) EXPECT_NEAR(std::hypot(v.x, v.y), 1.0, 1e-4);
    EXPECT_GT(inAssembly.tessellation(0, 0.5).triangles, seenWhole);
    // Deviations that mean nothing read as the widest view.
    for (double deviation : {-3.0, std::nan("")})
        EXPECT_EQ(deflectionFor(deviation, 300.0, 6.0).linear, deflectionFor(120.0, 300.0, 6.0).linear);
}

TEST(OcctTessellation, HostMeshesNoShapeAnswersToAreRefused) {
    OcctKernel kernel;
    kernel.addBody(box(), "A");
    FacetSource* source = nullptr;
    EXPECT_EQ(kernel.getFacets(kernel.edgeMesh(0) + 1, 4.0, 0, &source), E_INVALIDARG);
    EXPECT_EQ(kernel.getFacets(0, 4.0, 0, &source), E_INVALIDARG);
    EXPECT_EQ(source, nullptr);
}

// A red square whose wire lists its edges out of order: the healing
// rebuilds the wire, so the face is a new one.
OcctShape outOfOrderRedSquare() {
    const gp_Pnt corners[4] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
    BRep_Builder builder;
    TopoDS_Wire wire;
    builder.MakeWire(wire);
    for (int i : {0, 2, 1, 3}) builder.Add(wire, BRepBuilderAPI_MakeEdge(corners[i], corners[(i + 1) % 4]).Edge());
    TopoDS_Face face;
    builder.MakeFace(face, new Geom_Plane(gp_Pln()), 1e-7);
    builder.Add(face, wire);
    OcctShape square;
    square.shape = face;
    square.faceColors[face.TShape().get()] = int(0xFFFF0000u);
    square.healing = HealingTolerances{1e-7, 1.0, false};
    return square;
}

// Heals `squares` on several threads that start together, as prepare's
// threads do, and checks each face was rebuilt and kept its colour.
void healOnThreadsAndExpectRedFaces(std::vector<OcctShape> squares) {
    std::vector<TopoDS_Shape> asRead;
    for (const OcctShape& square : squares) asRead.push_back(square.shape);
    constexpr int kThreads = 8;
    std::latch start(kThreads);
    std::vector<std::thread> healers;
    for (int t = 0; t < kThreads; ++t)
        healers.emplace_back([&, t] {
            start.arrive_and_wait();
            for (std::size_t i = t; i < squares.size(); i += kThreads) heal(&squares[i]);
        });
    for (std::thread& healer : healers) healer.join();
    for (std::size_t i = 0; i < squares.size(); ++i) {
        OcctShape& square = squares[i];
        EXPECT_FALSE(square.healing);
        ASSERT_FALSE(square.shape.IsSame(asRead[i])) << "the healing should have rebuilt square " << i;
        TopExp_Explorer healed(square.shape, TopAbs_FACE);
        ASSERT_TRUE(healed.More());
        EXPECT_EQ(square.faceColors.size(), 1u);
        EXPECT_EQ(square.faceColors[healed.Current().TShape().get()], int(0xFFFF0000u));
    }
}

TEST(OcctHealing, FacesTheHealingRebuildsKeepTheirColoursOnEveryThread) {
    // Distinct shapes, as the kernel heals each shape once.
    std::vector<OcctShape> squares;
    for (int i = 0; i < 128; ++i) squares.push_back(outOfOrderRedSquare());
    {
        SCOPED_TRACE("the built-in repair, with no STEP resource installed");
        healOnThreadsAndExpectRedFaces(squares);
    }
    // With a resource that names the translator's sequence, each healing
    // writes its tolerances into the resource Open CASCADE shares.
    const std::string folder = testing::TempDir() + "pelmora-step-resource-" + std::to_string(getpid());
    ASSERT_TRUE(mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST);
    std::ofstream(folder + "/STEP") << "FromSTEP.exec.op : FixShape\n"
                                       "FromSTEP.FixShape.Tolerance3d : &Runtime.Tolerance\n"
                                       "FromSTEP.FixShape.MaxTolerance3d : &Runtime.MaxTolerance\n";
    setenv("CSF_STEPDefaults", folder.c_str(), 1);
    {
        SCOPED_TRACE("the sequence of an installed STEP resource");
        healOnThreadsAndExpectRedFaces(squares);
    }
    unsetenv("CSF_STEPDefaults");
    std::remove((folder + "/STEP").c_str());
    rmdir(folder.c_str());
}

}  // namespace
}  // namespace pelmora::occt::test
