// The standard views and the default light rig on the real device: each view
// puts the side it names nearest the viewer, and under the rig no face of a
// grey cube and cylinder renders darker than a quarter grey from any of the
// seven views, nor black where the body is.
#include <pelmora/helpers.h>

#include "support/RenderedScene.h"
#include "support/SolidShapes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace pelmora::test;
using pelmora::ViewDirection;

struct NamedView {
    ViewDirection view;
    const char* name;
    pelmora::Point3 towardsViewer;  // a world direction that must face the viewer
};

constexpr NamedView kViews[] = {
    {ViewDirection::Iso, "iso", {1, -1, 1}},     {ViewDirection::Top, "top", {0, 0, 1}},
    {ViewDirection::Bottom, "bottom", {0, 0, -1}}, {ViewDirection::Front, "front", {0, -1, 0}},
    {ViewDirection::Back, "back", {0, 1, 0}},    {ViewDirection::Left, "left", {-1, 0, 0}},
    {ViewDirection::Right, "right", {1, 0, 0}},
};

class ViewsAndLights : public RenderedScene {
protected:
    void addSolid(const ShapeArrays& shape, double x) {
        int frame = 0, mesh = 0;
        ASSERT_EQ(context->newFrame(root, &frame), S_OK);
        ASSERT_EQ(pelmora::setTranslation(context, frame, x, 0, 0), S_OK);
        SolidArrays arrays(shape.vertices, shape.normals, shape.faces);
        ASSERT_EQ(context->newSolidMesh(arrays.v(), arrays.n(), arrays.f(), VARIANT_FALSE, &mesh), S_OK);
        ASSERT_EQ(context->frameAddVisual(frame, mesh), S_OK);
    }
    double depthOf(const pelmora::Point3& p) {
        double x = 0, y = 0, z = 0, w = 0;
        EXPECT_EQ(context->viewportTransform(viewport, p[0], p[1], p[2], &x, &y, &z, &w), S_OK);
        return z;
    }
};

TEST_F(ViewsAndLights, EachViewFacesItsSideAndNoFaceOfAGreyBodyIsDarkerThanAQuarterGrey) {
    ASSERT_EQ(pelmora::addDefaultLights(context, viewport), S_OK);
    ASSERT_EQ(context->setFrameColor(root, int(0xFF808080u)), S_OK);
    addSolid(cubeArrays(0.5f), -0.8);
    addSolid(cylinderArrays(0.45f, 0.6f, 32), 0.8);
    pelmora::Box box;
    box.add({-1.5, -0.9, -0.9});
    box.add({1.5, 0.9, 0.9});
    for (const NamedView& named : kViews) {
        SCOPED_TRACE(named.name);
        ASSERT_EQ(pelmora::setView(context, viewport, named.view), S_OK);
        ASSERT_EQ(pelmora::fitView(context, viewport, box), S_OK);
        const pelmora::Point3& d = named.towardsViewer;
        EXPECT_LT(depthOf(d), depthOf({-d[0], -d[1], -d[2]})) << "the named side is nearer the viewer";
        const Image image = draw(std::string("views_lights_") + named.name);
        int bodyPixels = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                const uint32_t rgb = image.at(x, y) & 0xFFFFFF;
                if (rgb == 0) continue;  // the black background
                ++bodyPixels;
                for (int shift : {0, 8, 16}) ASSERT_GE(int((rgb >> shift) & 0xFF), 62) << x << ", " << y;
            }
        EXPECT_GT(bodyPixels, image.width * image.height / 10);
    }
}

}  // namespace
