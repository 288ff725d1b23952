// Tests of the sky panorama behind a race: placed by the view's heading
// and pitch at the track's altitude, its offset in pixels of the page's
// scale, the ground's colour below it; the turned layouts with the picture
// turned (its long side down the screen).
#include "racing/framework/race_drawing.h"

#include "engine/base/math_utils.h"
#include "engine/platform/image.h"

#include <gtest/gtest.h>

#include <memory>

namespace racing {
namespace {

constexpr uint32_t kGround = 0x00FF00;

// A sky picture whose every pixel tells its place: red its column, blue its
// row (both at most 255).
std::unique_ptr<Image> skyPicture(int w, int h)
{
    auto sky = std::make_unique<Image>(w, h, false);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            sky->drawRect(uint32_t(x) << 16 | uint32_t(y), x, y, 1, 1, true);
    return sky;
}

// The view of a camera looking level along +z (heading 0) or +x (a quarter).
Matrix4 lookingAlong(bool alongX)
{
    Matrix4 view;
    view.setIdentity();
    if (alongX)
        view.m[8] = 1.0f, view.m[9] = 0.0f, view.m[10] = 0.0f;
    return view;
}

uint32_t at(const Image& image, int x, int y)
{
    return image.colorAt(x, y) & 0xFFFFFF;
}

struct SkyPanorama : testing::Test
{
    void SetUp() override { initMathTables(); }
};

// Upright: the picture's top goes up by the altitude below 65 times the
// page's scale (it never comes down from the top); the rows below it show
// the ground's colour.
TEST_F(SkyPanorama, UprightTheAltitudeInPixelsOfThePage)
{
    auto sky = skyPicture(200, 40);
    Image page(100, 80, false);
    struct Case
    {
        float altitude, scale;
        int top; // the picture's row at the page's top
    };
    for (Case c : {Case{65.0f, 1.0f, 0}, Case{85.0f, 0.5f, 0}, Case{25.0f, 0.5f, 20}, Case{45.0f, 1.0f, 20}})
    {
        SCOPED_TRACE(c.altitude * 10 + c.scale);
        page.drawRect(0, 0, 0, 100, 80, true);
        drawSkyPanorama(&page, sky.get(), lookingAlong(false), c.altitude, kGround, {c.scale, 1.0f, 0});
        EXPECT_EQ(at(page, 0, 0), uint32_t(c.top));
        EXPECT_EQ(at(page, 99, 0), uint32_t(99 << 16 | c.top));
        EXPECT_EQ(at(page, 0, 39 - c.top), uint32_t(39));
        EXPECT_EQ(at(page, 0, 40 - c.top), kGround);
        EXPECT_EQ(at(page, 50, 79), kGround);
    }
}

// Turned counter-clockwise: the heading runs down the picture's long side;
// the picture stands at the left, the ground's colour right of it.
TEST_F(SkyPanorama, TurnedTheHeadingRunsDownThePicture)
{
    auto sky = skyPicture(40, 200);
    Image page(100, 80, false);
    drawSkyPanorama(&page, sky.get(), lookingAlong(false), 65.0f, kGround, {1.0f, 1.0f, 1});
    EXPECT_EQ(at(page, 0, 0), 0u);
    EXPECT_EQ(at(page, 39, 79), uint32_t(39 << 16 | 79));
    EXPECT_EQ(at(page, 40, 10), kGround);
    // A quarter turn: the picture moves down by a quarter of its length and
    // wraps round.
    drawSkyPanorama(&page, sky.get(), lookingAlong(true), 65.0f, kGround, {1.0f, 1.0f, 1});
    EXPECT_EQ(at(page, 5, 0), uint32_t(5 << 16 | 150));
    EXPECT_EQ(at(page, 5, 50), uint32_t(5 << 16 | 0));
    // Clockwise: the picture stands at the right, the ground's colour left.
    drawSkyPanorama(&page, sky.get(), lookingAlong(false), 65.0f, kGround, {1.0f, 1.0f, 2});
    EXPECT_EQ(at(page, 59, 10), kGround);
    EXPECT_EQ(at(page, 60, 10), uint32_t(10));
    EXPECT_EQ(at(page, 99, 79), uint32_t(39 << 16 | 79));
}

} // namespace
} // namespace racing
