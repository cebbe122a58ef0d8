// The scene pick and the rectangle selection on the real device: an
// assembly hung in rotated, translated and unevenly scaled frames, one body
// listed in two frames and one hidden body in front of the rest. Across a
// grid of pixels the pick must agree with a brute-force walk that intersects
// every world-space triangle (hidden bodies, empty pixels and the far sides
// of bodies never reported), and see a frame moved at once; rectangles must
// select what projecting each instance's vertices selects.
#include <pelmora/helpers.h>
#include <pelmora/pelmora.h>

#include <SampleKernel.h>

#include "support/D3D9TestDevice.h"
#include "support/SampleKernelView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using pelmora::Point3;
using pelmora::Transform;
using samplekernel::Vec3;

constexpr int kWidth = 128, kHeight = 96;

// One place a body is drawn: its mesh, the frame listing it, and that
// frame's world transform as the test built it.
struct Instance {
    int body = 0, mesh = 0, frame = 0;
    Transform world;
};

struct BruteHit {
    int mesh = 0, frame = 0;
    double depth = 0;  // along the sight line, 0 at the front plane
    Point3 point{};
};

Point3 sub(const Point3& a, const Point3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Point3 cross(const Point3& a, const Point3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Point3& a, const Point3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

class PickScene : public pelmora::test::SampleKernelView {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(openView(kWidth, kHeight));
        ASSERT_EQ(context->rotateCamera(viewport, 0, 0, 0, 1, 0.2, 0, -0.9), S_OK);
        buildAssembly();
    }

    int frame(int parent, const Transform& local) {
        int handle = 0;
        EXPECT_EQ(context->newFrame(parent, &handle), S_OK);
        EXPECT_EQ(pelmora::setTransform(context, handle, local), S_OK);
        return handle;
    }
    // A body in a new frame under `parent`, recorded as an instance.
    Instance& place(int parent, const Transform& parentWorld, const Transform& local,
                    const samplekernel::Shape& shape) {
        Instance instance;
        instance.frame = frame(parent, local);
        instance.world = local.then(parentWorld);
        instance.body = kernel.addBody(shape);
        EXPECT_EQ(context->newSolidMeshFromHandle(instance.body, factory, &instance.mesh), S_OK);
        EXPECT_EQ(context->frameAddVisual(instance.frame, instance.mesh), S_OK);
        return instances.emplace_back(instance);
    }

    // The root turned and moved; under it a plate, a post and a ball, and a
    // sub-assembly scaled unevenly that holds a ring and, in a second frame,
    // the ball's mesh again; a hidden box floats in front of the plate.
    void buildAssembly() {
        const Transform rootLocal = Transform::rotation(1, 1, 0, 0.3).then(Transform::translation(5, -3, 2));
        root = frame(0, rootLocal);
        place(root, rootLocal, Transform{}, samplekernel::Plate{{-3, -2, -0.4}, 1.5, 4, 3, 0.4, {{1, 1, 0.4}}});
        place(root, rootLocal, Transform::translation(-1.5, 0.5, 0), samplekernel::Cylinder{{0, 0, 0}, 0.4, 2.5});
        const Instance& ball = place(root, rootLocal, Transform::translation(1.5, 1, 1.2), samplekernel::Sphere{{0, 0, 0}, 0.7});
        const Transform subLocal = Transform::scaling(1, 2, 0.5).then(Transform::rotation(0, 0, 1, 0.7)).then(
            Transform::translation(0.5, -1, 1));
        const int sub = frame(root, subLocal);
        const Transform subWorld = subLocal.then(rootLocal);
        place(sub, subWorld, Transform::translation(-0.8, 0, 0.5), samplekernel::Torus{{0, 0, 0}, 0.6, 0.2});
        Instance again;
        again.body = ball.body;
        again.mesh = ball.mesh;
        const Transform againLocal = Transform::translation(-1.5, 0.5, 2);
        again.frame = frame(sub, againLocal);
        again.world = againLocal.then(subWorld);
        EXPECT_EQ(context->frameAddVisual(again.frame, again.mesh), S_OK);
        instances.push_back(again);
        Instance& hidden = place(root, rootLocal, Transform::translation(0, -1, 3), samplekernel::Box{{-1, -1, -0.2}, {1, 1, 0.2}});
        hiddenMesh = hidden.mesh;
        EXPECT_EQ(context->setVisible(hiddenMesh, VARIANT_FALSE), S_OK);

        pelmora::Box box;
        for (const Instance& i : instances)
            for (const FacetVertex& v : kernel.facetsOf(i.body, 4.0).vertices) box.add(i.world.point({v.x, v.y, v.z}));
        ASSERT_EQ(pelmora::fitView(context, viewport, box), S_OK);
    }

    // Every triangle of every instance in world space, at the deviation the
    // viewport draws with, made once.
    const std::vector<std::array<Point3, 3>>& worldTriangles(const Instance& instance) {
        auto& triangles = triangleCache[&instance - instances.data()];
        if (!triangles.empty()) return triangles;
        double deviation = 0;
        EXPECT_EQ(PelmoraGetViewportDeviation(viewport, &deviation), S_OK);
        const samplekernel::FacetMesh facets = kernel.facetsOf(instance.body, deviation);
        for (size_t f = 0; facets.faceList[f] != 0; f += 4) {
            std::array<Point3, 3>& p = triangles.emplace_back();
            for (size_t k = 0; k < 3; ++k) {
                const FacetVertex& v = facets.vertices[size_t(facets.faceList[f + 1 + k])];
                p[k] = instance.world.point({v.x, v.y, v.z});
            }
        }
        return triangles;
    }

    // Those triangles against the sight line through the pixel, in double
    // precision; widened (slack > 0) or narrowed (slack < 0) by a
    // barycentric margin.
    std::optional<BruteHit> bruteForce(int x, int y, bool withHidden, double slack) {
        Point3 farPoint, d;
        EXPECT_EQ(context->getSelectionRay(viewport, x, y, &farPoint[0], &farPoint[1], &farPoint[2], &d[0], &d[1], &d[2]),
                  S_OK);
        const Point3 nearPoint = sub(farPoint, d);
        std::optional<BruteHit> best;
        for (const Instance& instance : instances) {
            if (instance.mesh == hiddenMesh && !withHidden) continue;
            for (const std::array<Point3, 3>& p : worldTriangles(instance)) {
                const Point3 e1 = sub(p[1], p[0]), e2 = sub(p[2], p[0]), q = cross(d, e2);
                const double det = dot(e1, q);
                if (std::fabs(det) < 1e-30) continue;
                const Point3 s = sub(nearPoint, p[0]), r = cross(s, e1);
                const double u = dot(s, q) / det, w = dot(d, r) / det, t = dot(e2, r) / det;
                if (u < -slack || w < -slack || u + w > 1 + slack || t < 0 || t > 1) continue;
                if (best && best->depth <= t) continue;
                const Point3 point{nearPoint[0] + t * d[0], nearPoint[1] + t * d[1], nearPoint[2] + t * d[2]};
                best = BruteHit{instance.mesh, instance.frame, t, point};
            }
        }
        return best;
    }

    std::vector<Instance> instances;
    std::map<ptrdiff_t, std::vector<std::array<Point3, 3>>> triangleCache;
    int root = 0, hiddenMesh = 0;
};

std::string named(const std::optional<BruteHit>& hit) {
    return hit ? "mesh " + std::to_string(hit->mesh) + " in frame " + std::to_string(hit->frame) : "nothing";
}

TEST_P(PickScene, AgreesWithABruteForceWalkOverTheWholeView) {
    // What is picked, for a person to look at.
    int light = 0;
    ASSERT_EQ(context->viewportAddDirectionalLight(viewport, int(0xFFFFFFFFu), 0.3f, -0.4f, -1, &light), S_OK);
    ASSERT_EQ(context->setFrameColor(root, int(0xFFB0B0B0u)), S_OK);
    ASSERT_EQ(context->clearViewport(viewport), S_OK);
    ASSERT_EQ(context->render(viewport, root, VARIANT_FALSE, VARIANT_FALSE), S_OK);
    ASSERT_EQ(context->viewportPresent(viewport, 0, 0, kWidth, kHeight), S_OK);
    pelmora::test::D3D9TestDevice::savePng(pelmora::test::D3D9TestDevice::windowImage(window),
                                           GetParam() ? "pick_scene_perspective" : "pick_scene_orthographic");

    int compared = 0, ambiguous = 0, hits = 0;
    for (int y = 3; y < kHeight; y += 8)
        for (int x = 3; x < kWidth; x += 8) {
            // A sight line grazing an edge may go either way in single precision.
            const std::optional<BruteHit> wide = bruteForce(x, y, false, 1e-4), narrow = bruteForce(x, y, false, -1e-4);
            if (named(wide) != named(narrow)) {
                ++ambiguous;
                continue;
            }
            pelmora::SceneHit hit;
            ASSERT_EQ(pelmora::pickScene(context, viewport, root, x, y, &hit), S_OK);
            ++compared;
            ASSERT_EQ(bool(hit), wide.has_value()) << "at (" << x << ", " << y << "): brute force finds " << named(wide);
            if (!hit) continue;
            ++hits;
            EXPECT_EQ(std::pair(hit.mesh, hit.frame), std::pair(wide->mesh, wide->frame))
                << "at (" << x << ", " << y << ")";
            Point3 farPoint, d;
            context->getSelectionRay(viewport, x, y, &farPoint[0], &farPoint[1], &farPoint[2], &d[0], &d[1], &d[2]);
            const double length = std::sqrt(dot(d, d));
            EXPECT_NEAR(hit.distance, wide->depth * length, length * 1e-4) << "at (" << x << ", " << y << ")";
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(hit.point[k], wide->point[k], length * 1e-4);
        }
    EXPECT_LT(ambiguous, compared / 10);
    EXPECT_GT(hits, compared / 4) << "the fitted assembly covers much of the view";
    EXPECT_LT(hits, compared) << "and leaves some of it empty";
}

// The grid above covers the visible bodies; here the hidden box, found only
// when asked for, bad arguments, and a body hidden, shown and moved after a
// first pick, each seen by the next pick.
TEST_P(PickScene, SkipsHiddenBodiesUnlessAskedAndSeesAMovedFrameAtOnce) {
    // Around the hidden box's centre, where it is in front of other bodies,
    // it is found only when asked for.
    const Instance& box = *std::find_if(instances.begin(), instances.end(),
                                        [&](const Instance& i) { return i.mesh == hiddenMesh; });
    const Point3 boxCentre = box.world.point({0, 0, 0});
    double cx = 0, cy = 0, cz = 0, cw = 0;
    ASSERT_EQ(context->viewportTransform(viewport, boxCentre[0], boxCentre[1], boxCentre[2], &cx, &cy, &cz, &cw), S_OK);
    int checked = 0;
    for (int y = int(cy) - 9; y <= int(cy) + 9 && checked < 5; y += 3)
        for (int x = int(cx) - 9; x <= int(cx) + 9 && checked < 5; x += 3) {
            const std::optional<BruteHit> withHidden = bruteForce(x, y, true, -1e-3);
            const std::optional<BruteHit> without = bruteForce(x, y, false, -1e-3);
            if (!withHidden || withHidden->mesh != hiddenMesh || !without) continue;
            ++checked;
            pelmora::SceneHit hit;
            ASSERT_EQ(pelmora::pickScene(context, viewport, root, x, y, &hit), S_OK);
            EXPECT_EQ(hit.mesh, without->mesh);
            pelmora::PickOptions options;
            options.includeHidden = true;
            ASSERT_EQ(pelmora::pickScene(context, viewport, root, x, y, &hit, options), S_OK);
            EXPECT_EQ(hit.mesh, hiddenMesh);
            EXPECT_LT(withHidden->depth, without->depth);
        }
    EXPECT_EQ(checked, 5) << "the hidden box lies in front of other bodies";

    pelmora::SceneHit hit;
    EXPECT_EQ(pelmora::pickScene(context, viewport, instances.front().mesh, 10, 10, &hit), E_HANDLE);
    EXPECT_EQ(pelmora::pickScene(context, viewport, root, 10, 10, nullptr), E_POINTER);

    // A frame moved away takes its body with it at once (the ball, on top).
    const Instance& ball = instances[2];
    pelmora::Box local;
    for (const FacetVertex& v : kernel.facetsOf(ball.body, 4.0).vertices) local.add({v.x, v.y, v.z});
    const Point3 centre = ball.world.point(local.centre());
    double x = 0, y = 0, z = 0, w = 0;
    ASSERT_EQ(context->viewportTransform(viewport, centre[0], centre[1], centre[2], &x, &y, &z, &w), S_OK);
    ASSERT_EQ(pelmora::pickScene(context, viewport, root, int(x), int(y), &hit), S_OK);
    ASSERT_EQ(hit.frame, ball.frame) << "the ball shows at its centre";
    // Hidden and shown again after a first pick, it is missed and then found at once.
    for (const VARIANT_BOOL shown : {VARIANT_FALSE, VARIANT_TRUE}) {
        ASSERT_EQ(context->setVisible(ball.mesh, shown), S_OK);
        ASSERT_EQ(pelmora::pickScene(context, viewport, root, int(x), int(y), &hit), S_OK);
        EXPECT_EQ(hit.mesh == ball.mesh, shown == VARIANT_TRUE);
    }
    ASSERT_EQ(pelmora::setTransform(context, ball.frame, Transform::translation(0, 0, 500)), S_OK);
    ASSERT_EQ(pelmora::pickScene(context, viewport, root, int(x), int(y), &hit), S_OK);
    EXPECT_NE(hit.frame, ball.frame);
}

// Inside and crossing selections of rectangles over the view agree with the
// instances' vertices projected one by one (those within a thousandth of a
// pixel of a side left out: single precision may put them either way).
TEST_P(PickScene, RectanglesSelectWhatTheInstancesVerticesProjectInto) {
    // A render fetches the geometry (a frame without a colour draws nothing).
    ASSERT_EQ(context->setFrameColor(root, int(0xFFB0B0B0u)), S_OK);
    ASSERT_EQ(context->clearViewport(viewport), S_OK);
    ASSERT_EQ(context->render(viewport, root, VARIANT_FALSE, VARIANT_FALSE), S_OK);
    double deviation = 0;
    ASSERT_EQ(PelmoraGetViewportDeviation(viewport, &deviation), S_OK);
    const RECT areas[] = {{0, 0, kWidth / 2, kHeight / 2}, {kWidth / 2, kHeight / 2, kWidth, kHeight},
                          {kWidth / 4, kHeight / 4, 3 * kWidth / 4, 3 * kHeight / 4}, {0, 0, kWidth, kHeight}};
    int selectedSomewhere = 0;
    for (const RECT& area : areas)
        for (bool crossing : {false, true}) {
            std::vector<pelmora::SceneHit> selected;
            ASSERT_EQ(pelmora::selectRectangle(viewport, root, area.left, area.top, area.right, area.bottom, crossing,
                                               &selected),
                      S_OK);
            for (const Instance& instance : instances) {
                if (instance.mesh == hiddenMesh) continue;
                int inside = 0, total = 0;
                bool ambiguous = false;
                for (const FacetVertex& v : kernel.facetsOf(instance.body, deviation).vertices) {
                    const Point3 p = instance.world.point({v.x, v.y, v.z});
                    double x = 0, y = 0, z = 0, w = 0;
                    ASSERT_EQ(context->viewportTransform(viewport, p[0], p[1], p[2], &x, &y, &z, &w), S_OK);
                    for (double side : {x - area.left, x - area.right, y - area.top, y - area.bottom})
                        ambiguous = ambiguous || std::fabs(side) < 1e-3;
                    inside += x >= area.left && x < area.right && y >= area.top && y < area.bottom;
                    ++total;
                }
                if (ambiguous) continue;
                const bool expected = crossing ? inside > 0 : inside == total;
                const bool found = std::any_of(selected.begin(), selected.end(), [&](const pelmora::SceneHit& s) {
                    return s.mesh == instance.mesh && s.frame == instance.frame;
                });
                EXPECT_EQ(found, expected) << "mesh " << instance.mesh << " in frame " << instance.frame << ", rectangle "
                                           << area.left << "," << area.top << " " << area.right << "," << area.bottom
                                           << (crossing ? " crossing" : " inside");
                selectedSomewhere += found;
            }
            EXPECT_TRUE(std::none_of(selected.begin(), selected.end(),
                                     [&](const pelmora::SceneHit& s) { return s.mesh == hiddenMesh; }));
        }
    EXPECT_GT(selectedSomewhere, 4);
    int count = 0;
    EXPECT_EQ(PelmoraSelectRectangle(viewport, root, 0, 0, 9, 9, 7, 0, nullptr, 0, &count), E_INVALIDARG);
    EXPECT_EQ(PelmoraSelectRectangle(viewport, root, 0, 0, 9, 9, PELMORA_SELECT_INSIDE, 0, nullptr, 3, &count),
              E_INVALIDARG);
}

INSTANTIATE_TEST_SUITE_P(Projections, PickScene, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Perspective" : "Orthographic";
                         });

}  // namespace
