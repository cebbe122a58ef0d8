// Solid meshes with edges through IDXContext on the real device: a tilted
// cube's borders in the visible colour along every visible edge at zooms
// over four decades, never across a face, hidden-line removal with solids
// off, and the draw flags per subtree. 128 x 128 viewports on black, lit
// from the camera, faces red, edges green.
#include <pelmora/pelmora.h>

#include "core/HandleTable.h"
#include "mesh/DXSolidMesh.h"
#include "support/SolidShapes.h"
#include "support/D3D9TestDevice.h"
#include "support/RenderedScene.h"
#include "support/TransformArrays.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace pelmora::test;

constexpr int kSize = 128;
constexpr uint32_t kGreen = 0x00FF00, kBlack = 0x000000;
constexpr int kEdgeColour = int(0xFF00FF00u), kHiddenColour = int(0xFF0000FFu);

struct Point {
    double x, y, z;
};

class DXContextEdges : public RenderedScene {
protected:
    void SetUp() override {
        RenderedScene::SetUp();
        if (!HasFatalFailure()) addLight();
    }

    // A frame under `parent` holding a cube of half-size `half` centred at
    // x = shift, turned so three of its sides face the camera.
    int tiltedCube(int parent, float half, double shift = 0) {
        int frame = 0, mesh = 0;
        EXPECT_EQ(context->newFrame(parent, &frame), S_OK);
        EXPECT_EQ(context->addFrameRotation(frame, 0, 0, 1, 0, 0.6), S_OK);
        EXPECT_EQ(context->addFrameRotation(frame, 2, 1, 0, 0, 0.45), S_OK);
        const std::vector<double> move = translationValues(shift, 0, 0);
        SafeArrayPtr moveArray = makeDoubleArray(move);
        SAFEARRAY* moveIn = moveArray.get();
        EXPECT_EQ(context->addFrameTransform(frame, 2, &moveIn), S_OK);
        ShapeArrays cube = cubeArrays(half);
        SolidArrays safe(cube.vertices, cube.normals, cube.faces);
        EXPECT_EQ(context->newSolidMesh(safe.v(), safe.n(), safe.f(), VARIANT_FALSE, &mesh), S_OK);
        EXPECT_EQ(context->frameAddVisual(frame, mesh), S_OK);
        return frame;
    }
    // A frame under root holding a cylinder of radius 0.5 and length 0.6
    // standing along y, up the screen.
    int standingCylinder() {
        int frame = 0, mesh = 0;
        EXPECT_EQ(context->newFrame(root, &frame), S_OK);
        EXPECT_EQ(context->addFrameRotation(frame, 0, 1, 0, 0, -3.14159265358979 / 2), S_OK);
        const ShapeArrays cylinder = cylinderArrays(0.5f, 0.6f, 48);
        SolidArrays safe(cylinder.vertices, cylinder.normals, cylinder.faces);
        EXPECT_EQ(context->newSolidMesh(safe.v(), safe.n(), safe.f(), VARIANT_FALSE, &mesh), S_OK);
        EXPECT_EQ(context->frameAddVisual(frame, mesh), S_OK);
        return frame;
    }
    void edges(int frame, uint32_t flags, int width = 3) {
        ASSERT_EQ(context->setFrameDrawFacetEdges(frame, SolidMeshDrawFlags(flags), kEdgeColour, width,
                                                  kHiddenColour, 3),
                  S_OK);
    }

    // Frame point p in world space, and where it shows.
    Point world(int frame, Point p) {
        SAFEARRAY* array = nullptr;
        EXPECT_EQ(context->getFrameWorldTransform(frame, &array), S_OK);
        const std::vector<double> m = takeDoubleArray(array);
        return {p.x * m[0] + p.y * m[3] + p.z * m[6] + m[9], p.x * m[1] + p.y * m[4] + p.z * m[7] + m[10],
                p.x * m[2] + p.y * m[5] + p.z * m[8] + m[11]};
    }
    uint32_t pixelAt(const Image& image, int frame, Point p) {
        const Point w = world(frame, p);
        double sx = 0, sy = 0, sz = 0, sw = 0;
        EXPECT_EQ(context->viewportTransform(viewport, w.x, w.y, w.z, &sx, &sy, &sz, &sw), S_OK);
        return image.at(int(sx), int(sy)) & 0xFFFFFF;
    }
    // Whether the cube side with outward normal n faces the camera (at +z).
    bool facesCamera(int frame, Point n) {
        const Point origin = world(frame, {0, 0, 0}), tip = world(frame, n);
        return tip.z - origin.z > 1e-6;
    }

    // An edge shows when either side it bounds faces the camera.
    bool edgeVisible(int frame, const struct CubeEdge& edge);

};

// The cube's 12 edges as a corner and the axis the edge runs along.
struct CubeEdge {
    std::array<double, 3> corner;  // signs of the fixed coordinates; the running one is 0
    int axis;
};

std::vector<CubeEdge> cubeEdges() {
    std::vector<CubeEdge> result;
    for (int axis = 0; axis < 3; ++axis)
        for (double a : {-1.0, 1.0})
            for (double b : {-1.0, 1.0}) {
                CubeEdge edge{{0, 0, 0}, axis};
                edge.corner[(axis + 1) % 3] = a;
                edge.corner[(axis + 2) % 3] = b;
                result.push_back(edge);
            }
    return result;
}

Point along(const CubeEdge& edge, double half, double t) {
    std::array<double, 3> p{};
    for (int k = 0; k < 3; ++k) p[k] = half * (k == edge.axis ? 2 * t - 1 : edge.corner[k]);
    return {p[0], p[1], p[2]};
}

bool DXContextEdges::edgeVisible(int frame, const CubeEdge& edge) {
    for (int k = 0; k < 3; ++k) {
        if (k == edge.axis) continue;
        Point n{0, 0, 0};
        (k == 0 ? n.x : k == 1 ? n.y : n.z) = edge.corner[k];
        if (facesCamera(frame, n)) return true;
    }
    return false;
}

bool isGreen(uint32_t rgb) {
    return ((rgb >> 8) & 0xFF) > 200 && ((rgb >> 16) & 0xFF) < 60 && (rgb & 0xFF) < 60;
}

}  // namespace

// ---- Borders on faces ----

// Three pixels wide the edges are quads; two pixels wide, lines.
TEST_F(DXContextEdges, ACubeShowsEveryVisibleEdgeAndNoFaceDiagonalAtEveryZoom) {
    for (int width : {3, 2})
    for (double zoom : {1e-2, 1e-1, 1.0, 1e1, 1e2}) {
        SCOPED_TRACE("zoom " + std::to_string(zoom) + ", width " + std::to_string(width));
        const int cube = tiltedCube(root, float(0.5 * zoom));
        edges(cube, SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_BORDERS, width);
        ASSERT_EQ(context->setViewportPlane(viewport, -zoom, zoom, -zoom, zoom), S_OK);
        // The front plane and the camera follow the zoom, as a host's zoom-to-fit does.
        ASSERT_EQ(context->setFront(viewport, zoom), S_OK);
        const Image image =
            draw("edges_cube_zoom" + std::to_string(int(std::log10(zoom) + 2)) + "_width" + std::to_string(width));
        // The camera rests: the borders come from a list of their own, which
        // must show exactly what the vertex stage chose.
        EXPECT_EQ(draw().pixels, image.pixels) << "the second frame at rest";
        int visible = 0;
        for (const CubeEdge& edge : cubeEdges()) {
            const bool shows = edgeVisible(cube, edge);
            visible += shows;
            for (double t : {0.2, 0.35, 0.5, 0.65, 0.8}) {
                const uint32_t pixel = pixelAt(image, cube, along(edge, 0.5 * zoom, t));
                EXPECT_EQ(isGreen(pixel), shows) << "edge along axis " << edge.axis << " at " << t << ": " << std::hex << pixel;
            }
        }
        EXPECT_EQ(visible, 9);
        // A side's centre lies on whichever diagonal split it.
        for (Point n : {Point{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}}) {
            if (!facesCamera(cube, n)) continue;
            const double h = 0.5 * zoom;
            const uint32_t pixel = pixelAt(image, cube, {n.x * h, n.y * h, n.z * h});
            EXPECT_FALSE(isGreen(pixel));
            EXPECT_NE(pixel, kBlack);
        }
        EXPECT_EQ(context->frameDeleteChild(root, cube), S_OK);
    }
    // And in perspective, where whether a side faces the eye depends on where it lies.
    ASSERT_EQ(context->setViewportPerspective(viewport, VARIANT_TRUE), S_OK);
    const int cube = tiltedCube(root, 0.5f);
    edges(cube, SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_BORDERS | SOLID_MESH_DRAW_SILHOUETTES, 2);
    const Image moving = draw("edges_cube_perspective");
    EXPECT_EQ(draw().pixels, moving.pixels) << "the second frame at rest, in perspective";
}

TEST_F(DXContextEdges, WithoutSolidsFacesHideTheEdgesBehindThemAndShowNothingThemselves) {
    const int cube = tiltedCube(root, 0.5f);
    edges(cube, SOLID_MESH_DRAW_BORDERS);
    ASSERT_EQ(context->setViewportPlane(viewport, -1, 1, -1, 1), S_OK);
    const Image image = draw("edges_hidden_line_removed");
    for (const CubeEdge& edge : cubeEdges()) {
        const bool shows = edgeVisible(cube, edge);
        const uint32_t pixel = pixelAt(image, cube, along(edge, 0.5, 0.5));
        EXPECT_EQ(pixel, shows ? kGreen : kBlack) << "edge along axis " << edge.axis;
    }
    for (Point n : {Point{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {-1, 0, 0}, {0, -1, 0}, {0, 0, -1}})
        if (facesCamera(cube, n)) {
            EXPECT_EQ(pixelAt(image, cube, {n.x / 2, n.y / 2, n.z / 2}), kBlack);
        }
}

TEST_F(DXContextEdges, FramesInheritTheDrawFlagsUnlessTheyOverrideThem) {
    ASSERT_EQ(context->setViewportPlane(viewport, -2, 2, -2, 2), S_OK);
    edges(root, SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_BORDERS);
    const int inheriting = tiltedCube(root, 0.5f, -1.0);
    const int overriding = tiltedCube(root, 0.5f, 1.0);
    edges(overriding, SOLID_MESH_DRAW_SOLIDS);
    const Image image = draw("edges_inherited");
    for (const CubeEdge& edge : cubeEdges()) {
        if (!edgeVisible(inheriting, edge)) continue;
        EXPECT_TRUE(isGreen(pixelAt(image, inheriting, along(edge, 0.5, 0.5))));
        EXPECT_FALSE(isGreen(pixelAt(image, overriding, along(edge, 0.5, 0.5))));
    }
    // Back to the parent's flags.
    edges(overriding, SOLID_MESH_DRAW_USEPARENT);
    const Image again = draw("edges_inherited_again");
    for (const CubeEdge& edge : cubeEdges())
        if (edgeVisible(overriding, edge)) {
            EXPECT_TRUE(isGreen(pixelAt(again, overriding, along(edge, 0.5, 0.5))));
        }
}

TEST_F(DXContextEdges, HiddenEdgesShowDashedInTheHiddenColourOnlyWithTheHiddenFlag) {
    ASSERT_EQ(context->setViewportPlane(viewport, -1, 1, -1, 1), S_OK);
    for (bool hidden : {false, true}) {
        SCOPED_TRACE(hidden ? "hidden on" : "hidden off");
        const uint32_t flags = SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_BORDERS | (hidden ? uint32_t(SOLID_MESH_DRAW_HIDDEN) : 0u);
        const int cube = tiltedCube(root, 0.5f);
        edges(cube, flags);
        const Image image = draw(hidden ? "edges_hidden_dashed" : "edges_hidden_off");
        int backEdges = 0;
        for (const CubeEdge& edge : cubeEdges()) {
            if (edgeVisible(cube, edge)) continue;
            ++backEdges;
            int dash = 0, gap = 0;
            for (int i = 3; i <= 27; ++i) {
                const uint32_t pixel = pixelAt(image, cube, along(edge, 0.5, i / 30.0));
                const bool blue = (pixel & 0xFF) > 200 && ((pixel >> 8) & 0xFF) < 60;
                (blue ? dash : gap) += 1;
            }
            // At least one dash and one gap along an edge some 40 pixels long.
            EXPECT_EQ(dash > 0, hidden) << "edge along axis " << edge.axis;
            EXPECT_GT(gap, 0);
        }
        EXPECT_EQ(backEdges, 3);
        // Visible edges stay whole and in the visible colour.
        for (const CubeEdge& edge : cubeEdges())
            if (edgeVisible(cube, edge)) {
                EXPECT_TRUE(isGreen(pixelAt(image, cube, along(edge, 0.5, 0.5))));
            }
        EXPECT_EQ(context->frameDeleteChild(root, cube), S_OK);
    }
}

TEST_F(DXContextEdges, ATranslucentCubeShowsItsBackEdgesThroughItsFacesAnOpaqueOneDoesNot) {
    ASSERT_EQ(context->setViewportPlane(viewport, -1, 1, -1, 1), S_OK);
    for (bool translucent : {false, true}) {
        SCOPED_TRACE(translucent ? "translucent" : "opaque");
        const int cube = tiltedCube(root, 0.5f);
        ASSERT_EQ(context->setFrameColor(cube, int(translucent ? 0x80FF0000u : 0xFFFF0000u)), S_OK);
        edges(cube, SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_BORDERS);
        const Image image = draw(translucent ? "edges_translucent" : "edges_opaque");
        for (const CubeEdge& edge : cubeEdges()) {
            const uint32_t pixel = pixelAt(image, cube, along(edge, 0.5, 0.5));
            EXPECT_EQ(isGreen(pixel), translucent || edgeVisible(cube, edge)) << "edge along axis " << edge.axis;
        }
        EXPECT_EQ(context->frameDeleteChild(root, cube), S_OK);
    }
}

// A shape's arrays as a host facet set.
std::unique_ptr<TestFacets> facetsOf(const ShapeArrays& shape) {
    auto facets = std::make_unique<TestFacets>();
    for (size_t i = 0; i + 2 < shape.vertices.size(); i += 3)
        facets->points.push_back({shape.vertices[i], shape.vertices[i + 1], shape.vertices[i + 2], shape.normals[i],
                                  shape.normals[i + 1], shape.normals[i + 2], 0, 0});
    for (size_t f = 0; f + 7 <= shape.faces.size(); f += 7)
        facets->faces.insert(facets->faces.end(), {3, shape.faces[f + 1], shape.faces[f + 3], shape.faces[f + 5]});
    facets->faces.push_back(0);
    return facets;
}

// A host cube whose size follows the deviation, as the kernel's would not,
// so each deviation's geometry is its own.
std::unique_ptr<TestFacets> cubeFacets(double deviation) { return facetsOf(cubeArrays(float(deviation / 10.0))); }

TEST_F(DXContextEdges, EdgesAreFoundOncePerGeometryAndKeptWithItInTheCache) {
    TestFacetFactory factory(cubeFacets);
    int mesh = 0;
    ASSERT_EQ(context->newSolidMeshFromHandle(7, factory.handle, &mesh), S_OK);
    ASSERT_EQ(context->frameAddVisual(root, mesh), S_OK);
    edges(root, SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_BORDERS);
    auto* solid = pelmora::resolveHandle<pelmora::DXSolidMesh>(mesh);
    ASSERT_NE(solid, nullptr);
    auto current = [&] { return solid->geometry() ? solid->geometry()->featureEdges.get() : nullptr; };
    draw("edges_cache_fine");
    const pelmora::FeatureEdges* fine = current();
    ASSERT_NE(fine, nullptr);
    EXPECT_EQ(fine->edgeCount(), 12u);
    draw("edges_cache_fine_again");
    EXPECT_EQ(current(), fine);
    ASSERT_EQ(context->setViewportPlane(viewport, -9, 9, -9, 9), S_OK);
    draw("edges_cache_coarse");
    ASSERT_NE(current(), nullptr);
    EXPECT_NE(current(), fine);
    EXPECT_EQ(current()->edgeCount(), 12u);
    ASSERT_EQ(context->setViewportPlane(viewport, -1, 1, -1, 1), S_OK);
    draw("edges_cache_fine_last");
    EXPECT_EQ(current(), fine);
    EXPECT_EQ(factory.requests.size(), 2u);
}

// ---- Silhouettes ----

TEST_F(DXContextEdges, ACylindersSideLinesAreSilhouettesThatFollowTheCamera) {
    ASSERT_EQ(context->setViewportPlane(viewport, -1, 1, -1, 1), S_OK);
    const int frame = standingCylinder();
    // Where world point (x, y, 0) shows.
    auto pixelOf = [&](double x, double y) {
        double sx = 0, sy = 0, sz = 0, sw = 0;
        EXPECT_EQ(context->viewportTransform(viewport, x, y, 0, &sx, &sy, &sz, &sw), S_OK);
        return std::pair{int(sx), int(sy)};
    };
    auto at = [&](const Image& image, double x, double y) { return pixelAt(image, root, {x, y, 0}); };
    // The outline's pixels before any turn; a turn about the axis leaves the outline there.
    std::vector<std::pair<int, int>> outline;
    for (double y : {-0.3, 0.0, 0.3})
        for (double x : {-0.5, 0.5}) outline.push_back(pixelOf(x, y));
    struct Case {
        const char* name;
        uint32_t flags;
        double turn;  // radians the camera turns about the cylinder's axis
        bool sides;   // side lines at x = +-0.5
        int width;    // 3: quads, 2: lines, 1: merged with other bodies' outlines
    };
    const Case cases[] = {
        {"borders only: the circles", SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_BORDERS, 0, false, 3},
        {"silhouettes", SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_SILHOUETTES, 0, true, 3},
        {"silhouettes as lines", SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_SILHOUETTES, 0, true, 2},
        {"silhouettes after a turn", SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_SILHOUETTES, 0.7, true, 3},
        {"silhouettes as lines after another turn", SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_SILHOUETTES, 0.7, true, 2},
        {"thin silhouettes", SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_SILHOUETTES, 0, true, 1},
        {"thin silhouettes after a third turn", SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_SILHOUETTES, 0.7, true, 1},
    };
    double turned = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        edges(frame, c.flags, c.width);
        if (c.turn != 0) {
            ASSERT_EQ(context->rotateCamera(viewport, 0, 0, 0, 0, 1, 0, c.turn), S_OK);
            turned += c.turn;
        }
        const Image image = draw(std::string("edges_cylinder_") + (c.sides ? "silhouettes" : "borders") +
                                 (c.turn != 0 ? "_turned" : "") + "_width" + std::to_string(c.width));
        // Once the camera rests the silhouettes come from a list of their
        // own, which must show exactly what the vertex stage chose.
        EXPECT_EQ(draw().pixels, image.pixels) << "the second frame at rest";
        for (const auto& [px, py] : outline) EXPECT_EQ(isGreen(image.at(px, py) & 0xFFFFFF), c.sides) << px << ", " << py;
        EXPECT_FALSE(isGreen(at(image, 0, 0)));
        // The edges that were the outline before the turn lie inside it now, and show nothing.
        if (turned != 0) {
            EXPECT_FALSE(isGreen(at(image, 0.5 * std::cos(turned), 0)));
        }
        // The circles are borders, seen edge on.
        if (!c.sides) {
            EXPECT_TRUE(isGreen(at(image, 0, 0.6)));
        }
    }
    // In perspective (the body smaller, further off) the outline stays an
    // outline: the middle row shows it on either side of faces, as wide as the edges.
    ASSERT_EQ(context->setViewportPerspective(viewport, VARIANT_TRUE), S_OK);
    for (int width : {3, 2}) {
        SCOPED_TRACE("perspective, width " + std::to_string(width));
        edges(frame, SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_SILHOUETTES, width);
        const Image image = draw("edges_cylinder_perspective_width" + std::to_string(width));
        EXPECT_EQ(draw().pixels, image.pixels) << "the second frame at rest";
        const int row = kSize / 2;
        int left = 0, right = 0;
        for (int x = 0; x < kSize; ++x)
            if (isGreen(image.at(x, row) & 0xFFFFFF)) (x < kSize / 2 ? left : right) += 1;
        EXPECT_GE(left, width - 1);
        EXPECT_GE(right, width - 1);
        const uint32_t centre = image.at(kSize / 2, row) & 0xFFFFFF;
        EXPECT_FALSE(isGreen(centre));
        EXPECT_NE(centre, kBlack);
    }
}

// Whatever decides what a body's edges show (the flags, widths, colours,
// the frame's colour, the look) changes the picture at once while the camera
// rests, to exactly what the same view shows after a move.
TEST_F(DXContextEdges, EachChangeAtRestDrawsWhatTheSameViewDrawsAfterAMove) {
    ASSERT_EQ(context->setViewportPlane(viewport, -1, 1, -1, 1), S_OK);
    const int frame = standingCylinder();
    SAFEARRAY* camera = nullptr;
    ASSERT_EQ(context->getCameraTransform(viewport, &camera), S_OK);
    const std::vector<double> resting = takeDoubleArray(camera);
    const auto afterAMove = [&] {
        EXPECT_EQ(context->rotateCamera(viewport, 0, 0, 0, 0, 1, 0, 0.4), S_OK);
        draw();
        SafeArrayPtr back = makeDoubleArray(resting);
        SAFEARRAY* in = back.get();
        EXPECT_EQ(context->setCameraTransform(viewport, &in), S_OK);
        return draw();
    };
    constexpr uint32_t kSolids = SOLID_MESH_DRAW_SOLIDS, kBorders = SOLID_MESH_DRAW_BORDERS,
                       kSilhouettes = SOLID_MESH_DRAW_SILHOUETTES, kHidden = SOLID_MESH_DRAW_HIDDEN;
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"silhouettes on", [&] { edges(frame, kSolids | kBorders | kSilhouettes); }},
        {"borders off", [&] { edges(frame, kSolids | kSilhouettes); }},
        {"lines, not quads", [&] { edges(frame, kSolids | kSilhouettes, 2); }},
        {"borders back", [&] { edges(frame, kSolids | kBorders | kSilhouettes, 2); }},
        {"another edge colour",
         [&] {
             EXPECT_EQ(context->setFrameDrawFacetEdges(frame, SolidMeshDrawFlags(kSolids | kBorders | kSilhouettes),
                                                       int(0xFFFFFF00u), 3, kHiddenColour, 3),
                       S_OK);
         }},
        {"hidden edges without solids", [&] { edges(frame, kBorders | kSilhouettes | kHidden); }},
        {"silhouettes off", [&] { edges(frame, kSolids | kBorders); }},
        {"silhouettes alone", [&] { edges(frame, kSolids | kSilhouettes); }},
        {"another frame colour", [&] { EXPECT_EQ(context->setFrameColor(frame, int(0xFF2040FFu)), S_OK); }},
        {"perspective", [&] { EXPECT_EQ(context->setViewportPerspective(viewport, VARIANT_TRUE), S_OK); }},
    };
    edges(frame, kSolids | kBorders);
    draw();
    draw();  // at rest: the lists are made
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        change();
        const Image atRest = draw(std::string("edges_rest_") + name);
        EXPECT_EQ(draw().pixels, atRest.pixels) << "the next frame at rest";
        EXPECT_EQ(afterAMove().pixels, atRest.pixels) << "the same view after a move";
        draw();
    }
}

TEST_F(DXContextEdges, HiddenSilhouettesShowDashedInTheHiddenColourWhereAnotherBodyCoversThem) {
    ASSERT_EQ(context->setViewportPlane(viewport, -1, 1, -1, 1), S_OK);
    // A cylinder standing along y, its outline the lines x = +-0.5 ...
    const int standing = standingCylinder();
    // ... and in front of it, between it and the camera, a cube of half-size
    // 0.3 centred on the right line at y = 0, drawn without edges.
    int front = 0, cubeMesh = 0;
    ASSERT_EQ(context->newFrame(root, &front), S_OK);
    SafeArrayPtr move = makeDoubleArray(translationValues(0.5, 0, 0.85));
    SAFEARRAY* moveIn = move.get();
    ASSERT_EQ(context->addFrameTransform(front, 2, &moveIn), S_OK);
    const ShapeArrays cube = cubeArrays(0.3f);
    SolidArrays cubeSafe(cube.vertices, cube.normals, cube.faces);
    ASSERT_EQ(context->newSolidMesh(cubeSafe.v(), cubeSafe.n(), cubeSafe.f(), VARIANT_FALSE, &cubeMesh), S_OK);
    ASSERT_EQ(context->frameAddVisual(front, cubeMesh), S_OK);
    edges(front, SOLID_MESH_DRAW_SOLIDS);
    auto pixel = [&](const Image& image, double x, double y) { return pixelAt(image, root, {x, y, 0}); };
    auto isBlue = [](uint32_t rgb) { return (rgb & 0xFF) > 200 && ((rgb >> 8) & 0xFF) < 60 && ((rgb >> 16) & 0xFF) < 60; };
    for (bool hidden : {false, true}) {
        SCOPED_TRACE(hidden ? "hidden on" : "hidden off");
        edges(standing, SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_SILHOUETTES |
                            (hidden ? uint32_t(SOLID_MESH_DRAW_HIDDEN) : 0u));
        const Image image = draw(hidden ? "edges_silhouettes_hidden_dashed" : "edges_silhouettes_hidden_off");
        // Behind the cube, about 38 pixels of the right line: dashes and gaps with the flag, the cube without.
        int dash = 0, gap = 0;
        for (int i = -9; i <= 9; ++i) {
            const uint32_t rgb = pixel(image, 0.5, i / 36.0);
            (isBlue(rgb) ? dash : gap) += 1;
            if (!isBlue(rgb)) {
                EXPECT_FALSE(isGreen(rgb)) << "y = " << i / 36.0;
            }
        }
        EXPECT_EQ(dash > 0, hidden);
        EXPECT_GT(gap, 0);
        // Outside the cube both lines show whole in the visible colour, and nothing hidden is drawn on them.
        for (double y : {-0.5, 0.45})
            for (double x : {-0.5, 0.5}) {
                EXPECT_TRUE(isGreen(pixel(image, x, y))) << x << ", " << y;
            }
        EXPECT_TRUE(isGreen(pixel(image, -0.5, 0)));
        // The cylinder's middle shows its face, not an edge.
        EXPECT_FALSE(isGreen(pixel(image, -0.2, 0)));
        EXPECT_FALSE(isBlue(pixel(image, -0.2, 0)));
    }
}

// Copies of one body (one host mesh under several frames) share their
// silhouette lists and edge buffers; what they show must be exactly what
// separate bodies show: moved copies, a turned one, two edge colours, quads
// and lines, while the camera moves and at rest.
TEST_F(DXContextEdges, CopiesOfOneBodyShowTheEdgesSeparateBodiesShow) {
    ASSERT_EQ(context->setViewportPlane(viewport, -2, 2, -2, 2), S_OK);
    TestFacetFactory factory([](double) { return facetsOf(cylinderArrays(0.5f, 0.6f, 48)); });
    struct Place {
        double x, y, turn;  // a turn about z after standing the cylinder up
        int edgeColour;
    };
    const Place places[] = {{-1, 0.8, 0, kEdgeColour}, {1, 0.8, 0, kEdgeColour}, {1, -0.9, 0.8, int(0xFFFFFF00u)}};
    SAFEARRAY* camera = nullptr;
    ASSERT_EQ(context->getCameraTransform(viewport, &camera), S_OK);
    const std::vector<double> start = takeDoubleArray(camera);
    const auto pictures = [&](bool oneBody) {
        SafeArrayPtr startArray = makeDoubleArray(start);
        SAFEARRAY* startIn = startArray.get();
        EXPECT_EQ(context->setCameraTransform(viewport, &startIn), S_OK);
        std::vector<int> frames, made;
        for (int i = 0; i < 3; ++i) {
            int frame = 0, mesh = 0;
            EXPECT_EQ(context->newFrame(root, &frame), S_OK);
            EXPECT_EQ(context->addFrameRotation(frame, 0, 1, 0, 0, -3.14159265358979 / 2), S_OK);
            EXPECT_EQ(context->addFrameRotation(frame, 2, 0, 0, 1, places[i].turn), S_OK);
            SafeArrayPtr move = makeDoubleArray(translationValues(places[i].x, places[i].y, 0));
            SAFEARRAY* moveIn = move.get();
            EXPECT_EQ(context->addFrameTransform(frame, 2, &moveIn), S_OK);
            EXPECT_EQ(context->newSolidMeshFromHandle(oneBody ? 7 : 7 + i, factory.handle, &mesh), S_OK);
            EXPECT_EQ(context->frameAddVisual(frame, mesh), S_OK);
            frames.push_back(frame);
            made.insert(made.end(), {frame, mesh});
        }
        std::vector<Image> images;
        for (int width : {3, 2, 1}) {
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(context->setFrameDrawFacetEdges(
                              frames[size_t(i)], SolidMeshDrawFlags(SOLID_MESH_DRAW_SOLIDS | SOLID_MESH_DRAW_BORDERS |
                                                        SOLID_MESH_DRAW_SILHOUETTES),
                              places[i].edgeColour, width, kHiddenColour, 3),
                          S_OK);
            }
            for (double turn : {0.0, 0.5}) {
                EXPECT_EQ(context->rotateCamera(viewport, 0, 0, 0, 1, 1, 0, turn), S_OK);
                images.push_back(draw());  // the camera moved
                images.push_back(draw());  // at rest
            }
        }
        for (int handle : made) EXPECT_EQ(context->releaseHandle(handle), S_OK);
        return images;
    };
    const std::vector<Image> separate = pictures(false);
    const std::vector<Image> shared = pictures(true);
    ASSERT_EQ(shared.size(), separate.size());
    for (size_t i = 0; i < shared.size(); ++i) EXPECT_EQ(shared[i].pixels, separate[i].pixels) << "picture " << i;
    D3D9TestDevice::savePng(shared.back(), "edges_copies_of_one_body");
}
