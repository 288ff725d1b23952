// group2d_test.cpp -- 2D groups, the textured rectangle, projection and the 2D renderer
#include "engine/scene/2d/group2d.h"
#include "engine/scene/core/material.h"
#include "engine/scene/scenes/renderer2d.h"
#include "engine/scene/scenes/scene.h"
#include "engine/scene/core/texture.h"

#include "engine/platform/tests/pixel_check.h"

#include "os/testing/host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace headless = os::host::headless;

namespace {

// A texture of width x height pixels stored in a storedW x storedH picture.
Texture* paddedTexture(int width, int height, int bits, uint32_t colour)
{
    auto* image = new Image(1, 1, false);
    image->create(width, height, bits);
    image->drawRect(colour, 0, 0, -1, -1, true);
    return new Texture(u"t", &image, 1, true, true);
}

} // namespace

TEST(Rect2D, BuildsTheRectangleFromTheStoredSize)
{
    std::unique_ptr<Texture> texture(paddedTexture(30, 20, 32, 0xFF0000));
    ASSERT_EQ(32, texture->width);
    Rect2D rect(1.0f, texture.get(), nullptr);
    ASSERT_EQ(1, rect.shapes.size());
    Shape2D* shape = rect.shape(0);
    EXPECT_EQ(std::u16string(u"rectangle"), std::u16string(shape->name));
    EXPECT_EQ(rect.findMaterial(u"rectMtl"), shape->material);
    EXPECT_EQ(61440, shape->point(2)->u);
    EXPECT_EQ(40960, shape->point(2)->v);
    Vector2 min, max;
    shape->getBounds(min, max);
    EXPECT_FLOAT_EQ(-15.0f, min.x);
    EXPECT_FLOAT_EQ(15.0f, max.x);
    EXPECT_FLOAT_EQ(-10.0f, min.y);
    EXPECT_FLOAT_EQ(10.0f, max.y);
}

TEST(Rect2D, RefusesWithABox)
{
    std::unique_ptr<Texture> a(paddedTexture(30, 20, 32, 0));
    std::unique_ptr<Texture> b(paddedTexture(20, 20, 32, 0));
    struct Case
    {
        Texture *texture, *mask;
        const char16_t* text;
    };
    const Case cases[] = {{nullptr, nullptr, u"The Rect2D should have either texture or mask."},
                          {a.get(), b.get(), u"The texture should have same dimension as mask."}};
    for (const Case& c : cases)
    {
        headless::clear_boxes();
        Rect2D rect(1.0f, c.texture, c.mask);
        EXPECT_EQ(0, rect.shapes.size());
        EXPECT_EQ(0, rect.materials.size());
        ASSERT_EQ(1u, headless::boxes().size());
        EXPECT_EQ(std::u16string(c.text), headless::boxes()[0].text);
        EXPECT_EQ(std::u16string(u"Error"), headless::boxes()[0].caption);
    }
    // A mask alone sizes the rectangle.
    Rect2D maskOnly(1.0f, nullptr, a.get());
    EXPECT_EQ(1, maskOnly.shapes.size());
}

TEST(Shape2D, BoundsAndProjection)
{
    Shape2D empty;
    Vector2 min(7, 7), max(8, 8);
    empty.getBounds(min, max);
    EXPECT_FLOAT_EQ(7.0f, min.x);
    EXPECT_FLOAT_EQ(8.0f, max.y);

    std::unique_ptr<Texture> texture(paddedTexture(16, 16, 32, 0));
    ColorMaterial material;
    material.texture = texture.get();
    Shape2D shape;
    shape.material = &material;
    Viewport2D view{100, 80, 1024};
    const float identity[6] = {1, 0, 0, 0, 1, 0};
    struct Case
    {
        float x, y;
        int sx, sy, outcode;
    };
    const Case cases[] = {{0, 0, 50, 40, 0}, {50, 0, 100, 40, 2}, {-51, 41, -1, -1, 5}, {0, -40, 50, 80, 8},
                          {49, -39, 99, 79, 0}};
    for (const Case& c : cases)
    {
        ShapePoint p(c.x, c.y, 1 << 15, 1 << 16);
        p.shape = &shape;
        p.project(identity, view);
        EXPECT_EQ(c.sx, p.screenX);
        EXPECT_EQ(c.sy, p.screenY);
        EXPECT_EQ(c.outcode, p.outcode) << c.x << "," << c.y;
        EXPECT_EQ(8 << 16, p.texelU);
        EXPECT_EQ(16 << 16, p.texelV);
    }
}

TEST(Group2D, CloneRemapsMaterialsByIndex)
{
    Group2D group;
    auto* first = new ColorMaterial;
    auto* second = new ColorMaterial;
    group.addMaterial(u"first", first);
    group.addMaterial(u"second", second);
    auto* shape = new Shape2D;
    shape->material = second;
    shape->addPoint(1, 2, 3, 4);
    shape->addPolygon(0, 0, 0, 0);
    group.addShape(u"s", shape);
    group.transform.m[2] = 5.0f;
    std::unique_ptr<Group2D> copy(group.clone());
    EXPECT_EQ(copy->material(1), copy->shape(0)->material);
    EXPECT_NE(second, copy->shape(0)->material);
    EXPECT_EQ(copy->shape(0), copy->shape(0)->point(0)->shape);
    EXPECT_FLOAT_EQ(5.0f, copy->transform.m[2]);
    EXPECT_EQ(1, copy->cloneFlag);
    group.setColor(0x123456);
    EXPECT_EQ(0x123456u, second->color);
    EXPECT_NE(0x123456u, copy->material(1)->color);
}

struct Render2D : testing::TestWithParam<int>
{
};

TEST_P(Render2D, SceneAwayFromTheOriginDrawsInsideItsTarget)
{
    // A Scene2D at (30, 20) whose target is as large as the surface: the
    // rectangle is drawn around the target's centre and nothing outside
    // the surface is touched.
    Image surface(1, 1, false);
    surface.create(60, 40, GetParam());
    std::unique_ptr<Texture> texture(paddedTexture(8, 8, GetParam(), 0xFF0000));
    Scene2D scene(30, 20, 60, 40, 0x0000FF, nullptr);
    DisplayTarget place{30, 20, 60, 40, 1.0f, &surface};
    scene.renderer->setTarget(place);
    scene.initRasterizer();
    auto* rect = new Rect2D(1.0f, texture.get(), nullptr);
    scene.addChild(u"rect", rect);
    scene.render(0.1f);
    uint32_t red = pixelcheck::stored(0xFF0000, GetParam()), blue = pixelcheck::stored(0x0000FF, GetParam());
    EXPECT_TRUE(pixelcheck::matches(
        surface,
        [&](int x, int y) {
            if (x < 30 || y < 20)
                return 0u;
            int cx = x - 30, cy = y - 20;
            return cx >= 26 && cx < 34 && cy >= 16 && cy < 24 ? red : blue;
        },
        "render2d_offset_" + std::to_string(GetParam())));
    // Rotated by 45 degrees the corners turn blue.
    float c = std::cos(0.785398f), s = std::sin(0.785398f);
    rect->transform.m[0] = c, rect->transform.m[1] = -s, rect->transform.m[3] = s, rect->transform.m[4] = c;
    scene.render(0.1f);
    // The centre (60, 40) lies just off the surface: look at its visible quarter.
    EXPECT_EQ(red, surface.colorAt(58, 38));
    EXPECT_EQ(red, surface.colorAt(59, 36));
    EXPECT_EQ(blue, surface.colorAt(56, 36));
    EXPECT_EQ(0u, surface.colorAt(29, 39));
}

INSTANTIATE_TEST_SUITE_P(Depths, Render2D, testing::Values(16, 32));
