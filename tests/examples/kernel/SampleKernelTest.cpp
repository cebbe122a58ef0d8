#include <SampleKernel.h>

#include <gtest/gtest.h>

#include <pelmora/exception.h>

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace samplekernel {
namespace {

// ---- measures of a facet set ----

Vec3 positionOf(const FacetVertex& v) { return {v.x, v.y, v.z}; }
Vec3 normalOf(const FacetVertex& v) { return {v.nx, v.ny, v.nz}; }

std::vector<std::array<int, 3>> trianglesOf(const FacetMesh& mesh) {
    std::vector<std::array<int, 3>> triangles;
    for (size_t i = 0; mesh.faceList[i] != 0; i += 4)
        triangles.push_back({mesh.faceList[i + 1], mesh.faceList[i + 2], mesh.faceList[i + 3]});
    return triangles;
}

double signedVolume(const FacetMesh& mesh) {
    double volume = 0.0;
    for (const auto& t : trianglesOf(mesh))
        volume += dot(positionOf(mesh.vertices[t[0]]),
                      cross(positionOf(mesh.vertices[t[1]]), positionOf(mesh.vertices[t[2]])));
    return volume / 6.0;
}

double degreesBetween(Vec3 a, Vec3 b) {
    const double c = dot(a, b) / (length(a) * length(b));
    return std::acos(std::max(-1.0, std::min(1.0, c))) * 180.0 / kPi;
}

// Edges between welded positions: how often each directed edge is used.
std::map<std::pair<int, int>, int> directedEdges(const FacetMesh& mesh) {
    std::map<std::tuple<float, float, float>, int> welded;
    std::vector<int> weldOf;
    for (const FacetVertex& v : mesh.vertices)
        weldOf.push_back(welded.try_emplace({v.x, v.y, v.z}, int(welded.size())).first->second);
    std::map<std::pair<int, int>, int> edges;
    for (const auto& t : trianglesOf(mesh))
        for (int k = 0; k < 3; ++k) ++edges[{weldOf[t[k]], weldOf[t[(k + 1) % 3]]}];
    return edges;
}

struct ShapeCase {
    std::string name;
    Shape shape;
    double volume;  // the analytic solid's
};

constexpr double kPlateHoleRadius = 0.3;

std::vector<ShapeCase> shapeCases() {
    const double pi = kPi;
    return {
        {"Box", Box{{-1, -2, 0}, {2, 1, 0.5}}, 3.0 * 3.0 * 0.5},
        {"Cylinder", Cylinder{{1, 1, -1}, 0.5, 2.0}, pi * 0.25 * 2.0},
        {"Sphere", Sphere{{0, 0, 1}, 1.5}, 4.0 / 3.0 * pi * 1.5 * 1.5 * 1.5},
        {"Torus", Torus{{0, 0, 0}, 2.0, 0.5}, 2.0 * pi * pi * 2.0 * 0.25},
        {"Plate",
         Plate{{0, 0, 0}, 1.0, 3, 2, 0.2, {{0, 0, kPlateHoleRadius}, {2, 1, kPlateHoleRadius}}},
         (6.0 - 2.0 * pi * kPlateHoleRadius * kPlateHoleRadius) * 0.2},
    };
}

class TessellationTest : public testing::TestWithParam<ShapeCase> {};

INSTANTIATE_TEST_SUITE_P(Bodies, TessellationTest, testing::ValuesIn(shapeCases()),
                         [](const auto& info) { return info.param.name; });

const double kDeviations[] = {30.0, 10.0, 4.0};

TEST_P(TessellationTest, EachDeviationGivesAClosedSolidOfTrianglesWithinTheAngle) {
    const bool flat = std::holds_alternative<Box>(GetParam().shape);
    const double exact = GetParam().volume;
    int previousTriangles = 0;
    double previousError = exact;
    for (double deviation : kDeviations) {
        SCOPED_TRACE(deviation);
        const FacetMesh mesh = tessellate(GetParam().shape, deviation);
        // Count-prefixed triangles, ending in 0.
        ASSERT_EQ(mesh.faceList.size() % 4, 1u);
        EXPECT_EQ(mesh.faceList.back(), 0);
        for (size_t i = 0; i + 1 < mesh.faceList.size(); i += 4) {
            ASSERT_EQ(mesh.faceList[i], 3) << "face at " << i;
            for (int k = 1; k <= 3; ++k) {
                EXPECT_GE(mesh.faceList[i + k], 0);
                EXPECT_LT(mesh.faceList[i + k], static_cast<int>(mesh.vertices.size()));
            }
        }
        // Closed: every edge used once each way.
        const auto edges = directedEdges(mesh);
        for (const auto& [edge, uses] : edges) {
            ASSERT_EQ(uses, 1) << "edge used twice the same way";
            ASSERT_TRUE(edges.count({edge.second, edge.first})) << "open edge";
        }
        // Unit normals on the counter-clockwise side, no facet wider than the deviation.
        double widest = 0.0;
        for (const FacetVertex& v : mesh.vertices) EXPECT_NEAR(length(normalOf(v)), 1.0, 1e-6);
        for (const auto& t : trianglesOf(mesh)) {
            const Vec3 a = positionOf(mesh.vertices[t[0]]);
            const Vec3 facing =
                cross(positionOf(mesh.vertices[t[1]]) - a, positionOf(mesh.vertices[t[2]]) - a);
            for (int k = 0; k < 3; ++k) {
                EXPECT_GT(dot(facing, normalOf(mesh.vertices[t[k]])), 0.0);
                widest = std::max(widest, degreesBetween(normalOf(mesh.vertices[t[k]]),
                                                         normalOf(mesh.vertices[t[(k + 1) % 3]])));
            }
        }
        EXPECT_LE(widest, deviation + 1e-3);
        // Finer deviations give more facets, except for the flat box, and approach the volume.
        if (flat)
            EXPECT_EQ(mesh.triangleCount(), 12);
        else
            EXPECT_GT(mesh.triangleCount(), previousTriangles);
        previousTriangles = mesh.triangleCount();
        const double error = std::abs(signedVolume(mesh) - exact);
        EXPECT_LE(error, previousError + 1e-9);
        previousError = error;
    }
    EXPECT_LE(previousError, exact * 0.01);
}

TEST(TessellationLimitsTest, DeviationsBeyondTheUsableRangeAreReadSensibly) {
    const Shape sphere = Sphere{{0, 0, 0}, 1.0};
    EXPECT_EQ(tessellate(sphere, 0.25).triangleCount(),
              tessellate(sphere, kFinestFacetAngle).triangleCount());
    const int byDefault = tessellate(sphere, kDefaultFacetAngle).triangleCount();
    EXPECT_EQ(tessellate(sphere, -20.0).triangleCount(), byDefault);
    EXPECT_EQ(tessellate(sphere, std::numeric_limits<double>::quiet_NaN()).triangleCount(),
              byDefault);
    // The coarsest still makes a closed solid.
    EXPECT_GT(signedVolume(tessellate(Cylinder{{0, 0, 0}, 1.0, 1.0}, 1000.0)), 0.0);
}

TEST(TessellationLimitsTest, ImpossibleShapesAreRefused) {
    SampleKernel kernel;
    EXPECT_EQ(kernel.addBody(Box{{0, 0, 0}, {1, 0, 1}}), 0);
    EXPECT_EQ(kernel.addBody(Sphere{{0, 0, 0}, -1.0}), 0);
    EXPECT_EQ(kernel.addBody(Cylinder{{0, 0, 0}, 1.0, 0.0}), 0);
    EXPECT_EQ(kernel.addBody(Torus{{0, 0, 0}, 1.0, 1.0}), 0);
    EXPECT_EQ(kernel.addBody(Plate{{0, 0, 0}, 1.0, 2, 2, 0.1, {{2, 0, 0.2}}}), 0);
    EXPECT_EQ(kernel.addBody(Plate{{0, 0, 0}, 1.0, 2, 2, 0.1, {{0, 0, 0.5}}}), 0);
    EXPECT_EQ(kernel.addBody(Plate{{0, 0, 0}, 1.0, 2, 2, 0.1, {{1, 1, 0.2}, {1, 1, 0.1}}}), 0);
    EXPECT_EQ(kernel.addBody(Plate{{0, 0, 0}, 1.0, 0, 2, 0.1, {}}), 0);
}

// ---- the kernel as a facet factory ----

class SampleKernelFactoryTest : public testing::Test {
protected:
    void SetUp() override {
        ball_ = kernel_.addBody(Sphere{{0, 0, 0}, 1.0});
        box_ = kernel_.addBody(Box{{0, 0, 0}, {1, 1, 1}});
    }

    // Asks for facets and hands them back, as the engine does.
    HRESULT ask(int body, double deviation, int manual, int* faceListLength = nullptr) {
        FacetSource* source = nullptr;
        const HRESULT status = kernel_.getFacets(body, deviation, manual, &source);
        if (faceListLength) *faceListLength = source ? source->faceListLength() : -1;
        if (source) kernel_.releaseFacets(source);
        return status;
    }

    SampleKernel kernel_;
    int ball_ = 0;
    int box_ = 0;
};

TEST_F(SampleKernelFactoryTest, EveryRequestIsCountedAndAnsweredAtItsDeviation) {
    int length = 0;
    EXPECT_EQ(ask(ball_, 3.0, 0), S_OK);
    EXPECT_EQ(ask(ball_, 6.0, 0, &length), S_OK);
    EXPECT_EQ(length, static_cast<int>(kernel_.facetsOf(ball_, 6.0).faceList.size()));
    ask(ball_, 3.0, 1);
    ask(box_, 3.0, 0);
    EXPECT_EQ(kernel_.requestCount(ball_, 3.0), 2);
    EXPECT_EQ(kernel_.requestCount(ball_, 6.0), 1);
    EXPECT_EQ(kernel_.requestCount(ball_), 3);
    EXPECT_EQ(kernel_.requestCount(), 4);
    ASSERT_EQ(kernel_.requests().size(), 4u);
    EXPECT_EQ(kernel_.requests()[2].manual, 1);
    EXPECT_EQ(kernel_.outstandingSources(), 0);
    EXPECT_EQ(kernel_.strayReleases(), 0);
    kernel_.clearRequests();
    EXPECT_EQ(kernel_.requestCount(), 0);
}

TEST_F(SampleKernelFactoryTest, SourcesAreHeldUntilReleasedAndBadRequestsAreRefused) {
    ASSERT_TRUE(kernel_.setDoubleSided(box_, true));
    FacetSource* held = nullptr;
    ASSERT_EQ(kernel_.getFacets(box_, 4.0, 0, &held), S_OK);
    EXPECT_TRUE(held->doubleSided());
    EXPECT_EQ(kernel_.outstandingSources(), 1);
    kernel_.releaseFacets(held);
    EXPECT_EQ(kernel_.outstandingSources(), 0);

    FacetSource* source = reinterpret_cast<FacetSource*>(0x1);
    EXPECT_EQ(kernel_.getFacets(99, 4.0, 0, &source), E_INVALIDARG);
    EXPECT_EQ(source, nullptr);
    EXPECT_EQ(kernel_.getFacets(ball_, 4.0, 0, nullptr), E_POINTER);
    kernel_.releaseFacets(nullptr);
    EXPECT_EQ(kernel_.strayReleases(), 1);
}

TEST_F(SampleKernelFactoryTest, FixedFacetsComeBackUnchangedAtEveryDeviation) {
    FacetMesh quad;
    quad.vertices.resize(4);
    quad.faceList = {4, 0, 1, 2, 3, 0};
    const int odd = kernel_.addBody(FixedFacets{quad});
    for (double deviation : {1.0, 60.0}) {
        FacetSource* source = nullptr;
        ASSERT_EQ(kernel_.getFacets(odd, deviation, 0, &source), S_OK);
        ASSERT_EQ(source->faceListLength(), 6);
        EXPECT_EQ(source->faceList()[0], 4);
        EXPECT_EQ(source->vertexCount(), 4);
        kernel_.releaseFacets(source);
    }
}

// ---- model edges ----

struct Segment {
    Vec3 a, b;
};

// The segments of a polyline list, and how many polylines are closed loops.
std::vector<Segment> segmentsOf(const FacetMesh& edges, int* loops) {
    std::vector<Segment> segments;
    *loops = 0;
    for (size_t i = 0; edges.faceList[i] > 0; i += size_t(edges.faceList[i]) + 1) {
        const int n = edges.faceList[i];
        const int* index = &edges.faceList[i + 1];
        for (int k = 0; k + 1 < n; ++k)
            segments.push_back({positionOf(edges.vertices[size_t(index[k])]), positionOf(edges.vertices[size_t(index[k + 1])])});
        *loops += index[0] == index[n - 1];
    }
    return segments;
}

TEST(SampleKernelEdgesTest, EdgesAreTheRimsAndCreasesOfABodyNeverTheSeamsOfASmoothSurface) {
    SampleKernel kernel;
    const Plate plate{{0, 0, 0}, 1.0, 2, 1, 0.2, {{0, 0, 0.25}}};
    struct Case {
        const char* name;
        Shape shape;
        double deviation;
        size_t segments;
        int loops;
        std::function<bool(Vec3)> onAnEdge;
    };
    const auto near = [](double a, double b) { return std::fabs(a - b) < 1e-5; };
    const Case cases[] = {
        // Twelve sides, each from corner to corner.
        {"box", Box{{0, 0, 0}, {1, 2, 3}}, 15.0, 12, 0,
         [&](Vec3 p) { return (near(p.x, 0) || near(p.x, 1)) + (near(p.y, 0) || near(p.y, 2)) + (near(p.z, 0) || near(p.z, 3)) >= 2; }},
        // Two rims of 24 segments at 15 degrees, 12 at 30, and nothing down the side.
        {"cylinder", Cylinder{{0, 0, 0}, 0.5, 1.0}, 15.0, 48, 2,
         [&](Vec3 p) { return near(std::hypot(p.x, p.y), 0.5) && (near(p.z, 0) || near(p.z, 1)); }},
        {"coarse cylinder", Cylinder{{0, 0, 0}, 0.5, 1.0}, 30.0, 24, 2,
         [&](Vec3 p) { return near(std::hypot(p.x, p.y), 0.5); }},
        {"sphere", Sphere{{0, 0, 0}, 1.0}, 15.0, 0, 0, [](Vec3) { return false; }},
        {"torus", Torus{{0, 0, 0}, 2.0, 0.5}, 15.0, 0, 0, [](Vec3) { return false; }},
        // The outline top and bottom, its four upright corners and the hole's two rims; no cell seams.
        {"plate", plate, 15.0, 0, 2, [&](Vec3 p) {
             const bool outline = near(p.x, 0) || near(p.x, 2) || near(p.y, 0) || near(p.y, 1);
             return outline || near(std::hypot(p.x - 0.5, p.y - 0.5), 0.25);
         }},
    };
    for (const Case& c : cases) {
        const int body = kernel.addBody(c.shape);
        const int edges = kernel.addEdges(body);
        ASSERT_NE(edges, 0) << c.name;
        int loops = 0;
        const std::vector<Segment> segments = segmentsOf(kernel.facetsOf(edges, c.deviation), &loops);
        if (c.segments > 0) {
            EXPECT_EQ(segments.size(), c.segments) << c.name;
        }
        EXPECT_EQ(loops, c.loops) << c.name;
        for (const Segment& s : segments) EXPECT_TRUE(c.onAnEdge(s.a) && c.onAnEdge(s.b)) << c.name;
        if (std::string(c.name) == "plate") {
            EXPECT_GT(segments.size(), 0u);
        }
    }
    EXPECT_EQ(kernel.addEdges(99), 0);
    // The engine fetches edges like faces: counted and handed back.
    const int edges = kernel.addEdges(kernel.addBody(Box{{0, 0, 0}, {1, 1, 1}}));
    FacetSource* source = nullptr;
    ASSERT_EQ(kernel.getFacets(edges, 15.0, 0, &source), S_OK);
    EXPECT_EQ(source->vertexCount(), 8);
    kernel.releaseFacets(source);
    EXPECT_EQ(kernel.requestCount(edges), 1);
}

}  // namespace
}  // namespace samplekernel
