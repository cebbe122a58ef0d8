#include <pelmora/occt/BodyTessellator.h>

#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepTools.hxx>
#include <BRep_Tool.hxx>
#include <GeomLib.hxx>
#include <Poly_PolygonOnTriangulation.hxx>
#include <Poly_Triangulation.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace occtkernel {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFinestDegrees = 0.25, kCoarsestDegrees = 60.0;
// Below this share of the body's size the linear deflection stops falling:
// a finer one only multiplies facets on large flat or gently curved faces.
constexpr double kFinestRelativeDeflection = 1e-6;
constexpr double kSmallestRelativeFacet = 0.002;

// Malformed files can put points beyond float's range, where a plain cast
// is undefined.
float toFloat(double value) {
    return float(std::clamp(value, double(-std::numeric_limits<float>::max()),
                            double(std::numeric_limits<float>::max())));
}

FacetVertex vertexAt(const gp_Pnt& p, const gp_Dir& n, float u = 0.0f, float v = 0.0f) {
    return {toFloat(p.X()), toFloat(p.Y()), toFloat(p.Z()), float(n.X()), float(n.Y()), float(n.Z()), u, v};
}

// Per node, the normal of the surface (falling back on the mean of the
// triangles around the node where the surface gives none, at a cone's
// apex say), in the face's geometric sense and world coordinates.
std::vector<gp_Dir> surfaceNormals(const TopoDS_Face& face, const Poly_Triangulation& mesh,
                                   const gp_Trsf& placement) {
    std::vector<gp_Vec> sums(size_t(mesh.NbNodes()), gp_Vec(0, 0, 0));
    for (int t = 1; t <= mesh.NbTriangles(); ++t) {
        int a, b, c;
        mesh.Triangle(t).Get(a, b, c);
        const gp_Vec normal = gp_Vec(mesh.Node(a), mesh.Node(b)).Crossed(gp_Vec(mesh.Node(a), mesh.Node(c)));
        for (int i : {a, b, c}) sums[size_t(i - 1)] += normal;
    }
    std::vector<gp_Dir> normals(sums.size(), gp_Dir(0, 0, 1));
    for (size_t i = 0; i < sums.size(); ++i)
        if (sums[i].SquareMagnitude() > 0.0) normals[i] = gp_Dir(sums[i]).Transformed(placement);
    TopLoc_Location surfaceLocation;
    const Handle(Geom_Surface)& surface = BRep_Tool::Surface(face, surfaceLocation);
    if (surface.IsNull() || !mesh.HasUVNodes()) return normals;
    const gp_Trsf surfacePlacement = surfaceLocation.Transformation();
    for (int i = 1; i <= mesh.NbNodes(); ++i) {
        gp_Dir normal;
        if (GeomLib::NormEstim(surface, mesh.UVNode(i), 1e-7, normal) <= 1)
            normals[size_t(i - 1)] = normal.Transformed(surfacePlacement);
    }
    return normals;
}

void addFacets(const TopoDS_Face& face, const Poly_Triangulation& mesh, const gp_Trsf& placement,
               Tessellation* out) {
    // A reversed face's outside is the other side of its surface: its
    // normals turn round and its triangles run the other way.
    const bool reversed = face.Orientation() == TopAbs_REVERSED;
    const std::vector<gp_Dir> normals = surfaceNormals(face, mesh, placement);
    const int base = int(out->faceVertices.size());
    for (int i = 1; i <= mesh.NbNodes(); ++i) {
        const gp_Dir normal = reversed ? normals[size_t(i - 1)].Reversed() : normals[size_t(i - 1)];
        const gp_Pnt2d uv = mesh.HasUVNodes() ? mesh.UVNode(i) : gp_Pnt2d(0, 0);
        out->faceVertices.push_back(vertexAt(mesh.Node(i).Transformed(placement), normal,
                                             toFloat(uv.X()), toFloat(uv.Y())));
    }
    for (int t = 1; t <= mesh.NbTriangles(); ++t) {
        int a, b, c;
        mesh.Triangle(t).Get(a, b, c);
        if (reversed) std::swap(b, c);
        out->faceList.insert(out->faceList.end(), {3, base + a - 1, base + b - 1, base + c - 1});
        ++out->triangles;
    }
}

void addEdges(const TopoDS_Face& face, const Handle(Poly_Triangulation)& mesh,
              const TopLoc_Location& location, TopTools_IndexedMapOfShape* seen, Tessellation* out) {
    const gp_Trsf placement = location.Transformation();
    for (TopExp_Explorer e(face, TopAbs_EDGE); e.More(); e.Next()) {
        const TopoDS_Edge& edge = TopoDS::Edge(e.Current());
        if (seen->Contains(edge)) continue;  // met on a neighbouring face already
        seen->Add(edge);
        if (BRep_Tool::Degenerated(edge) || BRep_Tool::IsClosed(edge, face)) continue;
        const Handle(Poly_PolygonOnTriangulation) polygon = BRep_Tool::PolygonOnTriangulation(edge, mesh, location);
        if (polygon.IsNull()) continue;
        const TColStd_Array1OfInteger& nodes = polygon->Nodes();
        out->edgeList.push_back(nodes.Length());
        for (int k = nodes.Lower(); k <= nodes.Upper(); ++k) {
            out->edgeList.push_back(int(out->edgeVertices.size()));
            out->edgeVertices.push_back(vertexAt(mesh->Node(nodes(k)).Transformed(placement), gp_Dir(0, 0, 1)));
        }
        ++out->edges;
    }
}

}  // namespace

Deflection deflectionFor(double deviation, double bodySize) {
    const double degrees = deviation > 0.0 ? std::clamp(deviation, kFinestDegrees, kCoarsestDegrees)
                                           : kCoarsestDegrees;
    const double angle = degrees * kPi / 180.0;
    const double size = bodySize > 0.0 && std::isfinite(bodySize) ? bodySize : 1.0;
    const double sagitta = 0.5 * size * (1.0 - std::cos(angle / 2.0));
    return {std::max(sagitta, size * kFinestRelativeDeflection), angle, size * kSmallestRelativeFacet};
}

Tessellation tessellate(const TopoDS_Shape& shape, double deviation, double bodySize) {
    const Deflection deflection = deflectionFor(deviation, bodySize);
    // The mesher keeps a face's mesh when it is already fine enough, which
    // a finer earlier one always is.
    BRepTools::Clean(shape);
    IMeshTools_Parameters parameters;
    parameters.Deflection = deflection.linear;
    parameters.Angle = deflection.angularRadians;
    parameters.MinSize = deflection.minimumSize;
    parameters.InParallel = Standard_True;  // faces at once; the same result as one by one
    BRepMesh_IncrementalMesh mesher(shape, parameters);
    Tessellation out;
    out.faceList.clear();
    out.edgeList.clear();
    TopTools_IndexedMapOfShape seen;
    for (TopExp_Explorer e(shape, TopAbs_FACE); e.More(); e.Next()) {
        const TopoDS_Face& face = TopoDS::Face(e.Current());
        TopLoc_Location location;
        const Handle(Poly_Triangulation)& mesh = BRep_Tool::Triangulation(face, location);
        if (mesh.IsNull()) continue;
        addFacets(face, *mesh, location.Transformation(), &out);
        addEdges(face, mesh, location, &seen, &out);
    }
    out.faceList.push_back(0);
    out.edgeList.push_back(0);
    return out;
}

}  // namespace occtkernel
