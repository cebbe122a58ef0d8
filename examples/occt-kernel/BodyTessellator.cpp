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
#include <gp_Vec.hxx>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace pelmora::occt {

namespace {

// The widest view plane half size over the front plane distance at which
// the engine still asks for each deviation, from sqrt(h / front) x 3.9482
// staying below the deviation's bound; past 16 the view is unbounded, and
// 64 stands for it.
struct DeviationBound {
    double deviation;
    double bound;
};
constexpr DeviationBound kDeviationBounds[] = {{0.25, 0.25}, {0.5, 0.5}, {1.0, 1.0}, {2.0, 2.0},
                                               {4.0, 8.0},   {8.0, 16.0}, {16.0, 32.0}};
constexpr double kUnboundedView = 64.0;
constexpr double kAngleScale = 3.9482;
// A fitted view's front plane lies half the bounding sphere's radius from
// the eye: a quarter of the model's size.
constexpr double kFrontPerModelSize = 0.25;
constexpr double kNominalPixels = 1000.0;
constexpr double kFinestAngle = 0.2, kCoarsestAngle = 0.8;
constexpr double kFinestRelativeDeflection = 2e-5;
constexpr double kSmallestRelativeFacet = 0.002;

double viewBound(double deviation) {
    for (const DeviationBound& row : kDeviationBounds)
        if (deviation <= row.deviation) return row.bound;
    return kUnboundedView;
}

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

// The colour group a face's facets go to.
size_t groupOf(const OcctShape& shape, const TopoDS_Face& face) {
    const auto own = shape.faceColors.find(face.TShape().get());
    const int color = own == shape.faceColors.end() ? 0 : own->second;
    const auto group = std::find(shape.groups.begin(), shape.groups.end(), color);
    return group == shape.groups.end() ? 0 : size_t(group - shape.groups.begin());
}

void addFacets(const TopoDS_Face& face, const Poly_Triangulation& mesh, const gp_Trsf& placement,
               FacetGroup* out) {
    // A reversed face's outside is the other side of its surface: its
    // normals turn round and its triangles run the other way.
    const bool reversed = face.Orientation() == TopAbs_REVERSED;
    const std::vector<gp_Dir> normals = surfaceNormals(face, mesh, placement);
    const int base = int(out->vertices.size());
    for (int i = 1; i <= mesh.NbNodes(); ++i) {
        const gp_Dir normal = reversed ? normals[size_t(i - 1)].Reversed() : normals[size_t(i - 1)];
        const gp_Pnt2d uv = mesh.HasUVNodes() ? mesh.UVNode(i) : gp_Pnt2d(0, 0);
        out->vertices.push_back(vertexAt(mesh.Node(i).Transformed(placement), normal,
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

double distanceToSegment(const gp_Pnt& p, const gp_Pnt& a, const gp_Pnt& b) {
    const gp_Vec ab(a, b), ap(a, p);
    const double length2 = ab.SquareMagnitude();
    const double t = length2 > 0.0 ? std::clamp(ap.Dot(ab) / length2, 0.0, 1.0) : 0.0;
    return p.Distance(a.Translated(t * ab));
}

// The points of a polyline that keep every point left out within
// `tolerance` of the chord that replaces it; the ends always stay. The
// mesher lays an edge's points by the facets' angle as well as their chord
// error, so a small circle gets as many as a large one.
std::vector<gp_Pnt> simplified(const std::vector<gp_Pnt>& points, double tolerance) {
    if (points.size() < 3) return points;
    std::vector<bool> kept(points.size(), false);
    kept.front() = kept.back() = true;
    std::vector<std::pair<size_t, size_t>> spans = {{0, points.size() - 1}};
    while (!spans.empty()) {
        const auto [first, last] = spans.back();
        spans.pop_back();
        size_t farthest = first;
        double distance = tolerance;
        for (size_t k = first + 1; k < last; ++k)
            if (const double d = distanceToSegment(points[k], points[first], points[last]); d > distance) {
                distance = d;
                farthest = k;
            }
        if (farthest == first) continue;
        kept[farthest] = true;
        spans.emplace_back(first, farthest);
        spans.emplace_back(farthest, last);
    }
    std::vector<gp_Pnt> out;
    for (size_t k = 0; k < points.size(); ++k)
        if (kept[k]) out.push_back(points[k]);
    return out;
}

void addEdges(const TopoDS_Face& face, const Handle(Poly_Triangulation)& mesh, const TopLoc_Location& location,
              double tolerance, TopTools_IndexedMapOfShape* seen, Tessellation* out) {
    const gp_Trsf placement = location.Transformation();
    for (TopExp_Explorer e(face, TopAbs_EDGE); e.More(); e.Next()) {
        const TopoDS_Edge& edge = TopoDS::Edge(e.Current());
        if (seen->Contains(edge)) continue;  // met on a neighbouring face already
        seen->Add(edge);
        if (BRep_Tool::Degenerated(edge) || BRep_Tool::IsClosed(edge, face)) continue;
        const Handle(Poly_PolygonOnTriangulation) polygon = BRep_Tool::PolygonOnTriangulation(edge, mesh, location);
        if (polygon.IsNull()) continue;
        const TColStd_Array1OfInteger& nodes = polygon->Nodes();
        std::vector<gp_Pnt> points;
        for (int k = nodes.Lower(); k <= nodes.Upper(); ++k)
            points.push_back(mesh->Node(nodes(k)).Transformed(placement));
        points = simplified(points, tolerance);
        out->edgeList.push_back(int(points.size()));
        for (const gp_Pnt& point : points) {
            out->edgeList.push_back(int(out->edgeVertices.size()));
            out->edgeVertices.push_back(vertexAt(point, gp_Dir(0, 0, 1)));
        }
        ++out->edges;
    }
}

}  // namespace

Deflection deflectionFor(double deviation, double modelSize, double bodySize) {
    // A deviation that means nothing reads as the widest view.
    if (!(deviation > 0.0)) deviation = kUnboundedView;
    const double model = modelSize > 0.0 && std::isfinite(modelSize) ? modelSize : 1.0;
    const double body = bodySize > 0.0 && std::isfinite(bodySize) ? bodySize : model;
    const double ratio = viewBound(deviation) / kAngleScale;
    const double halfView = kFrontPerModelSize * model * ratio * ratio;
    const double linear = std::max(halfView / kNominalPixels, body * kFinestRelativeDeflection);
    // An arc of angle a on a circle as large as the body strays body x a^2 / 16
    // from its chord: a body small on screen needs no finer angle than keeps
    // that under half the linear error, and the chord error decides.
    const double screenAngle = std::sqrt(8.0 * linear / body);
    const double angle = std::clamp(std::max(deviation / 8.0, screenAngle), kFinestAngle, kCoarsestAngle);
    return {linear, angle, body * kSmallestRelativeFacet};
}

Tessellation tessellate(const OcctShape& model, const Deflection& deflection) {
    const TopoDS_Shape& shape = model.shape;
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
    out.groups.resize(model.groups.size());
    for (FacetGroup& group : out.groups) group.faceList.clear();
    out.edgeList.clear();
    TopTools_IndexedMapOfShape seen;
    for (TopExp_Explorer e(shape, TopAbs_FACE); e.More(); e.Next()) {
        const TopoDS_Face& face = TopoDS::Face(e.Current());
        TopLoc_Location location;
        const Handle(Poly_Triangulation)& mesh = BRep_Tool::Triangulation(face, location);
        if (mesh.IsNull()) continue;
        FacetGroup& group = out.groups[groupOf(model, face)];
        addFacets(face, *mesh, location.Transformation(), &group);
        // Within half the chord error more: the lines stay on the faces to
        // well under a pixel.
        addEdges(face, mesh, location, 0.5 * deflection.linear, &seen, &out);
    }
    for (FacetGroup& group : out.groups) {
        group.faceList.push_back(0);
        out.triangles += group.triangles;
    }
    out.edgeList.push_back(0);
    return out;
}

}  // namespace pelmora::occt
