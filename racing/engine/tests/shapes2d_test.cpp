// shapes2d_test.cpp -- 2D points projected in the three screen orientations,
// the racing rectangle beside the engine's, and its resize
#include "engine/scene/2d/group2d.h"
#include "engine/scene/2d/shape2d.h"
#include "engine/platform/image.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"

#include "os/testing/host.h"

#include <gtest/gtest.h>

#include <memory>

TEST(Racing2D, PointsProjectInEveryOrientation)
{
    const float identity[6] = {1, 0, 0, 0, 1, 0};
    struct Case
    {
        int orientation;
        int x, y;
    };
    // (10, 5) at zoom 1:1 on 240 x 320.
    const Case cases[] = {{0, 130, 155}, {1, 115, 150}, {2, 125, 170}};
    for (const Case& c : cases)
    {
        ShapePoint p(10.0f, 5.0f, 0, 0);
        p.project(identity, Viewport2D{240, 320, 1024, c.orientation});
        EXPECT_EQ(p.screenX, c.x) << c.orientation;
        EXPECT_EQ(p.screenY, c.y) << c.orientation;
    }
    Shape2D shape;
    ColorMaterial material;
    shape.material = &material;
    shape.addPoint(120.0f, 0.0f, 0, 0);
    shape.point(0)->shape = &shape;
    shape.point(0)->project(identity, Viewport2D{240, 320, 1024, 0});
    EXPECT_EQ(shape.point(0)->screenX, 240);
    EXPECT_EQ(shape.point(0)->outcode, ShapePoint::Right) << "x = width lies outside in 2D";
}

TEST(Racing2D, RectangleFromATextureWithoutColourKeyAndResized)
{
    std::unique_ptr<Texture> texture(new Texture(64, 32, 0x808080, true));
    std::unique_ptr<Texture> mask(new Texture(64, 32, 0xFFFFFF, true));
    std::unique_ptr<Texture> square(new Texture(32, 32, 0xFFFFFF, true));
    texture->image->hasColorKey = true; // a picture that names a key colour
    Rect2D racingRect(1.0f, texture.get(), nullptr, false);
    Rect2D engineRect(1.0f, texture.get(), nullptr);
    ASSERT_EQ(racingRect.shapes.size(), 1);
    EXPECT_NE(racingRect.findMaterial(u"rectMtl"), nullptr);
    EXPECT_EQ(racingRect.findMaterial(u"rectMtl")->useColorKey, 0) << "the racing rectangle keys nothing";
    EXPECT_NE(engineRect.findMaterial(u"rectMtl")->useColorKey, 0);
    Rect2D withMask(1.0f, texture.get(), mask.get(), false);
    EXPECT_EQ(withMask.shapes.size(), 1);
    os::host::headless::clear_boxes();
    Rect2D refused(1.0f, texture.get(), square.get(), false);
    EXPECT_EQ(refused.shapes.size(), 0);
    ASSERT_EQ(os::host::headless::boxes().size(), 1u);
    EXPECT_EQ(os::host::headless::boxes()[0].text, u"The texture should have same dimension as mask.");

    racingRect.resize(50, 21);
    const Shape2D* s = racingRect.shape(0);
    EXPECT_EQ(s->point(0)->x, -25.0f);
    EXPECT_EQ(s->point(0)->y, 10.0f);
    EXPECT_EQ(s->point(2)->x, 25.0f);
    EXPECT_EQ(s->point(2)->y, -10.0f);
}
